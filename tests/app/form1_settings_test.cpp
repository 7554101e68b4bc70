#include "app/form1_fixture.h"

#include <QtTest/QTest>

#include "platform/keys.h"

using namespace app;

namespace {
// Waits for the start-up window to end.
void waitForStartUp(Form1& f) { QTRY_VERIFY_WITH_TIMEOUT(!f.Timload.Enabled(), 4000); }
}  // namespace

TEST_F(Form1Test, FreshSetIniWrittenByConfirmThenExit) {
    Form1& f = start();
    EXPECT_FALSE(QFile::exists(path("set.ini")));
    f.Command2_Click(5);
    EXPECT_TRUE(f.Frame3.Visible());
    f.Command2[20].PerformClick();
    EXPECT_FALSE(f.Frame3.Visible());
    EXPECT_EQ(f.SettingsChanged, -1);
    exitWithoutSaving();
    const QByteArray b = read("set.ini");
    ASSERT_EQ(b.size(), 160);
    EXPECT_EQ(b.mid(9, 22), Hex("64 00 7F 00 7F 00 05 00 0A 00 0A 00 0A 00 A0 00 00 00 50 00 C8 00"));
    EXPECT_EQ(b.mid(31, 4), Hex("00 C0 00 00"));
    EXPECT_EQ(b.mid(83, 3), Hex("01 00 00"));  // playback switches
}

TEST_F(Form1Test, SliderMovedButNotConfirmedChangesNothingOnDisk) {
    Form1& f = start();
    waitForStartUp(f);
    f.Command2_Click(5);
    f.HScroll3[5].SetValue(3);
    EXPECT_EQ(f.Label3[29].Caption(), "3");
    f.Command2_Click(5);  // closed without "确定"
    exitWithoutSaving();
    EXPECT_FALSE(QFile::exists(path("set.ini")));
}

TEST_F(Form1Test, SettingsReadBackAtTheNextStart) {
    Form1& f = start();
    f.HScroll3[5].SetValue(3);
    f.HScroll3[8].SetValue(4);
    f.Label15[2].SetForeColor(0x123456);
    f.Check5[0].SetValue(0);
    f.Command2_Click(20);
    exitWithoutSaving();
    form.reset();
    Form1& g = start();
    EXPECT_EQ(g.HScroll3[5].Value(), 3);
    EXPECT_EQ(g.Label3[29].Caption(), "3");
    EXPECT_EQ(g.HScroll3[8].Value(), 4);
    EXPECT_EQ(g.Label15[2].ForeColor(), 0x123456u);
    EXPECT_EQ(g.Check5[0].Value(), 0);
    EXPECT_EQ(g.SettingsChanged, 0);
}

TEST_F(Form1Test, ShortOrOutOfRangeSetIniFallsBackFieldByField) {
    QByteArray b(20, '\0');
    b[9] = char(0x90);  // zoom 400 = 0x0190
    b[10] = 0x01;
    b[11] = char(0xFF);  // accompaniment volume 1023: out of range
    b[12] = 0x03;
    write("set.ini", b);
    Form1& f = start();
    EXPECT_EQ(f.HScroll3[0].Value(), 400);
    EXPECT_EQ(f.Label7.Caption(), "400%");
    EXPECT_EQ(f.HScroll3[1].Value(), 127);
    EXPECT_EQ(f.HScroll3[7].Value(), 160);
    EXPECT_DOUBLE_EQ(f.MidiDelay, 0.16);
    EXPECT_EQ(f.Label9.FontName(), "宋体");
    EXPECT_EQ(f.Label9.FontSize(), 12);
}

TEST_F(Form1Test, UnknownLyricFontKeepsTheDesignFont) {
    SystemSettings s;
    s.lyricFontName = "NoSuchFontAnywhere";
    s.lyricFontSize = 20;
    ASSERT_TRUE(app::SaveSystemSettings(path("set.ini"), s));
    Form1& f = start();
    EXPECT_EQ(f.Label9.FontName(), "宋体");
    EXPECT_EQ(f.Label9.FontSize(), 20);
    EXPECT_EQ(f.Picture4[0].FontSize(), 20);  // New gives the canvases the lyric font
}

TEST_F(Form1Test, SliderValueLabels) {
    Form1& f = start();
    f.HScroll3[8].SetValue(5);
    EXPECT_EQ(f.Label3[38].Caption(), "键盘触发");
    f.HScroll3[8].SetValue(4);
    EXPECT_EQ(f.Label3[38].Caption(), "4");
    f.HScroll3[9].SetValue(50);
    EXPECT_EQ(f.Label3[39].Caption(), "50%");
    f.HScroll3[4].SetValue(7);
    EXPECT_EQ(f.SlantHalfWidth, 4);
    f.HScroll3[4].SetValue(5);
    EXPECT_EQ(f.SlantHalfWidth, 2);
    f.HScroll3[3].SetValue(8);
    EXPECT_EQ(f.NoteBarWidth, 8);
    EXPECT_EQ(f.LyricNoteGap, f.LyricCharWidth - 8);
}

TEST_F(Form1Test, MidiDelayMarksEventsStaleOnlyAfterTheStartUpWindow) {
    Form1& f = start();
    f.song->PlayEventsStale = 0;
    f.HScroll3[7].SetValue(200);
    EXPECT_DOUBLE_EQ(f.MidiDelay, 0.2);
    EXPECT_EQ(f.song->PlayEventsStale, 0);
    waitForStartUp(f);
    f.HScroll3[7].SetValue(300);
    EXPECT_EQ(f.song->PlayEventsStale, -1);
}

TEST_F(Form1Test, AccompanimentVolumeReachesThePlayerAfterTheStartUpWindow) {
    Form1& f = start();
    f.HScroll3[1].SetValue(40);
    EXPECT_EQ(wmp.volume, 100);
    waitForStartUp(f);
    f.HScroll3[1].SetValue(50);
    EXPECT_EQ(wmp.volume, 50);
}

TEST_F(Form1Test, LyricFontTooLargeIsRefused) {
    Form1& f = start();
    vb::FontChoice big{"黑体", 72, true, false};
    dialogs.fontAnswers.push_back(big);
    f.Command1.PerformClick();
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].prompt, "字体太大");
    EXPECT_EQ(calls[0].title, "提示");
    EXPECT_TRUE(calls[0].systemModal);
    EXPECT_EQ(f.Label9.FontSize(), 12);
    EXPECT_EQ(f.Label9.FontName(), "宋体");
    EXPECT_FALSE(f.Label9.FontBold());
}

TEST_F(Form1Test, LyricFontChosenGoesToTheSampleAndTheCanvases) {
    Form1& f = start();
    const int before = f.LyricCharWidth;
    dialogs.fontAnswers.push_back(vb::FontChoice{"黑体", 24, false, true});
    f.Command1_Click();
    EXPECT_TRUE(dialogs.MsgBoxCalls().empty());
    EXPECT_EQ(f.Label9.FontSize(), 24);
    EXPECT_TRUE(f.Label9.FontItalic());
    EXPECT_EQ(f.Picture4[1].FontName(), "黑体");
    EXPECT_EQ(f.Picture4[1].FontSize(), 24);
    EXPECT_EQ(f.LyricCharWidth, int(f.Label9.Width()) - 2);
    EXPECT_GT(f.LyricCharWidth, before);
    EXPECT_EQ(f.LyricNoteGap, f.LyricCharWidth - f.HScroll3[3].Value());
}

TEST_F(Form1Test, RecordedNoteColourAlsoColoursTheBars) {
    Form1& f = start();
    dialogs.colorAnswers.push_back(vb::Colour(0x00112233));
    f.Label15_Click(12);
    EXPECT_EQ(f.Label15[12].ForeColor(), 0x00112233u);
    EXPECT_EQ(f.Lably[0].BackColor(), 0x00112233u);
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
    EXPECT_EQ(f.SettingsChanged, -1);
    exitWithoutSaving();
    EXPECT_EQ(read("set.ini").mid(83, 3), Hex("01 01 00"));
}

// ---- keyboard-entry settings ----------------------------------------------------------------

TEST_F(Form1Test, KeySetMapsTheKeyGroups) {
    write("keyset.dat", Hex("01 05 00 03 00 00"));
    Form1& f = start();
    EXPECT_EQ(f.KeyNoteMap[96], 35);   // keypad 0
    EXPECT_EQ(f.KeyNoteMap[105], 50);  // keypad 9
    EXPECT_EQ(f.KeyNoteMap[123], 103); // F12
    EXPECT_EQ(f.KeyNoteMap['Q'], 60);
    EXPECT_EQ(f.KeyNoteMap['P'], 76);
    EXPECT_EQ(f.KeyNoteMap[221], 79);  // ]
    for (int vk : {192, 48, 49, 53, 57, 189, 187}) EXPECT_EQ(f.KeyNoteMap[vk], 0) << vk;
    // The same keys as the window receives them.
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_0, Qt::KeypadModifier)], 35);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_9, Qt::KeypadModifier)], 50);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_F12, Qt::NoModifier)], 103);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_BracketRight, Qt::NoModifier)], 79);
    EXPECT_EQ(f.KeyNoteMap[vb::VirtualKey(Qt::Key_5, Qt::NoModifier)], 0);
}

TEST_F(Form1Test, KeySetOctaveAboveFiveReadsAsOff) {
    write("keyset.dat", Hex("09 05"));
    Form1& f = start();
    EXPECT_EQ(f.KeyRowOctaves[0], 0);
    EXPECT_EQ(f.KeyRowOctaves[1], 5);
    EXPECT_EQ(f.KeyNoteMap[96], 0);
    EXPECT_EQ(f.KeyNoteMap[112], 84);  // F1: do of octave 5
}

TEST_F(Form1Test, KeyboardPanelConfirmSavesAndRebuilds) {
    write("keyset.dat", Hex("01 05 00 03 00 00"));
    Form1& f = start();
    f.Command2_Click(22);
    EXPECT_TRUE(f.Picture14.Visible());
    EXPECT_EQ(f.Labkey[1].Caption(), "高二个八度1~7");
    EXPECT_EQ(f.Labkey[1].Tag, "5");
    f.Labkey_Click(2);
    EXPECT_EQ(f.Combo5.Top(), f.Labkey[2].Top());
    EXPECT_EQ(f.Combo5.ListIndex(), 0);
    f.Combo5.SetListIndex(4);
    EXPECT_EQ(f.Labkey[2].Caption(), "高八度1~7");
    EXPECT_EQ(f.Labkey[2].Tag, "4");
    EXPECT_EQ(f.Combo5.Top(), -5000);
    EXPECT_EQ(f.KeyNoteMap['1'], 0);  // not before "确定"
    f.Command2[24].PerformClick();
    EXPECT_FALSE(f.Picture14.Visible());
    EXPECT_EQ(read("keyset.dat"), Hex("01 05 04 03 00 00"));
    EXPECT_EQ(f.KeyNoteMap['1'], 72);
}

TEST_F(Form1Test, KeyboardPanelCancelKeepsFileAndMap) {
    write("keyset.dat", Hex("01 05 00 03 00 00"));
    Form1& f = start();
    f.Command2_Click(22);
    f.Labkey_Click(3);
    f.Combo5.SetListIndex(0);
    f.Command2_Click(23);
    EXPECT_FALSE(f.Picture14.Visible());
    EXPECT_EQ(read("keyset.dat"), Hex("01 05 00 03 00 00"));
    EXPECT_EQ(f.KeyNoteMap['Q'], 60);
    f.Command2_Click(22);
    EXPECT_EQ(f.Labkey[3].Tag, "3");  // the pending value is refilled
}

TEST_F(Form1Test, ClickingTwoRowsWithoutChoosingChangesNeither) {
    write("keyset.dat", Hex("01 05 02 03 04 00"));
    Form1& f = start();
    f.Command2_Click(22);
    f.Labkey_Click(2);
    f.Labkey_Click(4);
    EXPECT_EQ(f.Labkey[2].Tag, "2");
    EXPECT_EQ(f.Labkey[2].Caption(), "低八度1~7");
    EXPECT_EQ(f.Labkey[4].Tag, "4");
    f.Command2_Click(24);
    EXPECT_EQ(read("keyset.dat"), Hex("01 05 02 03 04 00"));
}

TEST_F(Form1Test, MissingKeySetGivesTheInitialGroups) {
    Form1& f = start();
    EXPECT_EQ(f.KeyRowOctaves, (KeySettings{}.rowOctaves));
    EXPECT_EQ(f.KeyNoteMap['Q'], 12 * KeySettings{}.rowOctaves[3] + 24);
}
