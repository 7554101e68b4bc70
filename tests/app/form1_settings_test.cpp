#include "app/form1_fixture.h"

#include <QtTest/QTest>

#include "platform/keys.h"

using namespace app;

namespace {
// Lets the two seconds of the start-up window pass.
void waitForStartUp(Form1& f) {
    vb::testing::AdvanceClock(2000);
    ASSERT_FALSE(f.Timload.Enabled());
}
}  // namespace

TEST_F(Form1Test, FreshSetIniWrittenByConfirmThenExit) {
    Form1& f = start();
    f.Command2_Click(5);
    EXPECT_TRUE(f.Frame3.Visible());
    f.Command2[20].PerformClick();
    EXPECT_FALSE(f.Frame3.Visible());
    exitWithoutSaving();
    const QByteArray b = read("set.ini");
    ASSERT_EQ(b.size(), 160);
    EXPECT_EQ(b.mid(9, 22), Hex("64 00 7F 00 7F 00 05 00 0A 00 0A 00 0A 00 A0 00 00 00 50 00 C8 00"));
    EXPECT_EQ(b.mid(31, 4), Hex("00 C0 00 00"));
}

TEST_F(Form1Test, SliderMovedButNotConfirmedChangesNothingOnDisk) {
    Form1& f = start();
    waitForStartUp(f);
    f.Command2_Click(5);
    f.HScroll3[5].SetValue(3);
    f.Command2_Click(5);  // closed without "确定"
    exitWithoutSaving();
    EXPECT_FALSE(QFile::exists(path("set.ini")));
}

TEST_F(Form1Test, SettingsReadBackAtTheNextStart) {
    Form1& f = start();
    f.HScroll3[5].SetValue(3);
    f.Label15[2].SetForeColor(0x123456);
    f.Check5[0].SetValue(0);
    f.Command2_Click(20);
    exitWithoutSaving();
    form.reset();
    Form1& g = start();
    EXPECT_EQ(g.HScroll3[5].Value(), 3);
    EXPECT_EQ(g.Label3[29].Caption(), "3");
    EXPECT_EQ(g.Label15[2].ForeColor(), 0x123456u);
    EXPECT_EQ(g.Check5[0].Value(), 0);
}

TEST_F(Form1Test, SliderFollowUps) {
    Form1& f = start();
    f.HScroll3[8].SetValue(5);
    EXPECT_EQ(f.Label3[38].Caption(), "键盘触发");
    f.HScroll3[8].SetValue(4);
    EXPECT_EQ(f.Label3[38].Caption(), "4");
    f.HScroll3[4].SetValue(7);
    EXPECT_EQ(f.SlantHalfWidth, 4);
    f.HScroll3[3].SetValue(8);
    EXPECT_EQ(f.LyricNoteGap, f.LyricCharWidth - 8);
}

// Inside the start-up window the MIDI delay and the accompaniment volume only set their values.
TEST_F(Form1Test, SliderEffectsWaitForTheEndOfTheStartUpWindow) {
    Form1& f = start();
    f.song->PlayEventsStale = 0;
    f.HScroll3[7].SetValue(200);
    f.HScroll3[1].SetValue(40);
    EXPECT_DOUBLE_EQ(f.MidiDelay, 0.2);
    EXPECT_EQ(f.song->PlayEventsStale, 0);
    EXPECT_EQ(wmp.volume, 100);
    waitForStartUp(f);
    f.HScroll3[7].SetValue(300);
    f.HScroll3[1].SetValue(50);
    EXPECT_EQ(f.song->PlayEventsStale, -1);
    EXPECT_EQ(wmp.volume, 50);
}

TEST_F(Form1Test, LyricFontChosenOrRefused) {
    Form1& f = start();
    dialogs.fontAnswers.push_back(vb::FontChoice{"黑体", 72, true, false});
    f.Command1.PerformClick();
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].prompt, "字体太大");
    EXPECT_EQ(calls[0].title, "提示");
    EXPECT_EQ(f.Label9.FontSize(), 12);
    EXPECT_EQ(f.Label9.FontName(), "宋体");

    const int before = f.LyricCharWidth;
    dialogs.fontAnswers.push_back(vb::FontChoice{"黑体", 24, false, true});
    f.Command1_Click();
    EXPECT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(f.Label9.FontSize(), 24);
    EXPECT_EQ(f.Picture4[1].FontName(), "黑体");
    EXPECT_EQ(f.Picture4[1].FontSize(), 24);
    EXPECT_GT(f.LyricCharWidth, before);
}

TEST_F(Form1Test, RecordedNoteColourAlsoColoursTheBars) {
    Form1& f = start();
    dialogs.colorAnswers.push_back(vb::Colour(0x00112233));
    f.Label15_Click(12);
    EXPECT_EQ(f.Label15[12].ForeColor(), 0x00112233u);
    EXPECT_EQ(f.Lably[255].BackColor(), 0x00112233u);
    f.Label15_Click(1);  // cancelled
    EXPECT_EQ(f.Label15[1].ForeColor(), 0x000000FFu);
}

TEST_F(Form1Test, PlaybackSwitchWithinTwoSecondsOfNewLeavesSetIniUnchanged) {
    Form1& f = start();
    waitForStartUp(f);
    ASSERT_TRUE(app::SaveSystemSettings(path("set.ini"), SystemSettings{}));
    const QByteArray before = read("set.ini");
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.Command2_Click(0);
    EXPECT_TRUE(f.Timload.Enabled());
    f.Check3[1].SetValue(1);
    EXPECT_EQ(f.SettingsChanged, 0);
    exitWithoutSaving();
    EXPECT_EQ(read("set.ini"), before);
}

TEST_F(Form1Test, PlaybackSwitchAfterTheStartUpWindowIsSavedAtExit) {
    Form1& f = start();
    waitForStartUp(f);
    f.Check3[1].SetValue(1);
    exitWithoutSaving();
    EXPECT_EQ(read("set.ini").mid(83, 3), Hex("01 01 00"));
}

// ---- keyboard-entry settings ----------------------------------------------------------------

TEST_F(Form1Test, KeySetMapsTheKeysAsTheWindowReceivesThem) {
    write("keyset.dat", Hex("01 05 00 03 00 00"));
    Form1& f = start();
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_0, Qt::KeypadModifier)], 35);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_9, Qt::KeypadModifier)], 50);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_F12, Qt::NoModifier)], 103);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_Q, Qt::NoModifier)], 60);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_P, Qt::NoModifier)], 76);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_BracketRight, Qt::NoModifier)], 79);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_5, Qt::NoModifier)], 0);
}

TEST_F(Form1Test, KeyboardPanelConfirmSavesAndCancelKeeps) {
    write("keyset.dat", Hex("01 05 00 03 00 00"));
    Form1& f = start();
    f.Command2_Click(22);
    EXPECT_TRUE(f.Picture14.Visible());
    f.Labkey_Click(3);
    f.Combo5.SetListIndex(0);
    f.Command2_Click(23);  // cancel
    EXPECT_EQ(read("keyset.dat"), Hex("01 05 00 03 00 00"));
    EXPECT_EQ(f.KeyNoteMap['Q'], 60);

    f.Command2_Click(22);
    EXPECT_EQ(f.Labkey[3].Tag, "3");  // the pending value is refilled
    f.Labkey_Click(2);
    f.Combo5.SetListIndex(4);
    EXPECT_EQ(f.Labkey[2].Caption(), "高八度1~7");
    EXPECT_EQ(f.KeyNoteMap['1'], 0);  // not before "确定"
    f.Command2[24].PerformClick();
    EXPECT_FALSE(f.Picture14.Visible());
    EXPECT_EQ(read("keyset.dat"), Hex("01 05 04 03 00 00"));
    EXPECT_EQ(f.KeyNoteMap['1'], 72);
}

TEST_F(Form1Test, ClickingTwoRowsWithoutChoosingChangesNeither) {
    write("keyset.dat", Hex("01 05 02 03 04 00"));
    Form1& f = start();
    f.Command2_Click(22);
    f.Labkey_Click(2);
    f.Labkey_Click(4);
    EXPECT_EQ(f.Labkey[2].Tag, "2");
    EXPECT_EQ(f.Labkey[4].Tag, "4");
    f.Command2_Click(24);
    EXPECT_EQ(read("keyset.dat"), Hex("01 05 02 03 04 00"));
}
