#include "app/form1_fixture.h"

#include <QImage>
#include <QRegularExpression>
#include <QTime>
#include <QtTest/QTest>

#include "app/startup.h"
#include "platform/textcodec.h"

using namespace app;

namespace {
QRect geometryOf(const vb::Control& c) { return c.widget()->geometry(); }
}  // namespace

TEST_F(Form1Test, RegionsAtTheirPixelPlacesOn1024x768) {
    Form1& f = start();
    EXPECT_EQ(f.ScreenWidthPx, 1024);
    EXPECT_EQ(f.ScreenHeightPx, 768);
    EXPECT_EQ(f.geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(geometryOf(f.Picture1), QRect(0, 0, 1024, 36));
    EXPECT_EQ(geometryOf(f.Picture6), QRect(121, 77, 903, 691));
    EXPECT_EQ(geometryOf(f.Picture13), QRect(103, 727, 921, 41));
    EXPECT_EQ(geometryOf(f.Picture8), QRect(121, 45, 903, 32));
    EXPECT_EQ(geometryOf(f.Picture7), QRect(0, 77, 121, 691));
    EXPECT_EQ(geometryOf(f.VScroll2), QRect(0, 77, 16, 616));
    EXPECT_EQ(geometryOf(f.VScroll3), QRect(0, 703, 16, 65));
    EXPECT_EQ(geometryOf(f.VScroll1), QRect(104, 45, 17, 723));
    // The header column keeps its place; its height follows the stacked strips of the new song.
    EXPECT_EQ(geometryOf(f.Label1), QRect(120, 45, 158, f.StripStack.headerColumnHeight));
    EXPECT_EQ(f.StripStack.bottom, 600);
    EXPECT_EQ(geometryOf(f.Picture3).topLeft(), QPoint(280, 45));
    EXPECT_EQ(f.Picture3.Width(), 744);
    EXPECT_EQ(geometryOf(f.HScroll1).topLeft(), QPoint(0, 36));
    EXPECT_EQ(f.HScroll1.Width(), 924);
    EXPECT_EQ(f.HScroll1.LargeChange(), 1024);
    EXPECT_EQ(geometryOf(f.HScroll2).topLeft(), QPoint(935, 36));
    EXPECT_EQ(geometryOf(f.Check2), QRect(16, 344, 20, 20));
    EXPECT_EQ(geometryOf(f.Command3), QRect(48, 344, 20, 20));
    EXPECT_EQ(f.VScroll3.Min(), 15);
    EXPECT_EQ(f.VScroll3.Max(), 45);
    EXPECT_EQ(f.Line2.X1(), 278);
    EXPECT_EQ(f.Line2.Y2(), 768);
    // Front canvas in view, back canvas just beyond the track area's right edge.
    EXPECT_EQ(f.Picture4[0].Left(), 0);
    EXPECT_EQ(f.Picture4[1].Left(), 744);
    // Pools parked.
    EXPECT_EQ(f.Lably[255].Top(), -5000);
    EXPECT_EQ(f.Labnot[511].Left(), 903 + 500);
    EXPECT_EQ(f.Picture2[1].Top(), 40);
    EXPECT_EQ(f.List3.Top(), 788);
    EXPECT_EQ(f.Combo5.Top(), -5000);
    EXPECT_EQ(f.Picture5[10].Top(), -200);
    EXPECT_EQ(f.RollScrollEdge, 858);  // 95 % of 903
    EXPECT_EQ(f.Label13.Count(), 96);
    EXPECT_FALSE(f.Label13.Exists(7));
    EXPECT_EQ(f.Labnot.Count(), 512);
    EXPECT_EQ(f.Lably.Count(), 256);
    // The piano roll is hidden, the track view shown; controls findable by name.
    EXPECT_FALSE(f.Picture6.Visible());
    EXPECT_EQ(f.findChild<QWidget*>("Picture6"), f.Picture6.widget());
    EXPECT_EQ(f.findChild<QWidget*>("Command2_20"), f.Command2[20].widget());
    EXPECT_EQ(f.findChild<QWidget*>("Check1_38"), f.Check1[38].widget());
}

TEST_F(Form1Test, CaptionsOfTheCommandColumn) {
    Form1& f = start();
    const std::pair<int, const char*> buttons[] = {{0, "新建"},     {1, "保存"},     {2, "打开"},  {3, "退出程序"},
                                                   {4, "退出"},     {5, "系统设置"}, {6, "歌曲设置"}, {7, "最小化"},
                                                   {8, "导出MIDI"}, {20, "确定"},    {22, "按键设置"}, {25, "导出简谱"},
                                                   {26, "打印"}};
    for (auto [i, caption] : buttons) EXPECT_EQ(f.Command2[i].Caption(), QString(caption)) << i;
    EXPECT_EQ(f.Frame1[0].Caption(), "信息显示");
    EXPECT_EQ(f.Frame1[4].Caption(), "系统");
    EXPECT_EQ(f.Frame3.Caption(), "设置");
    EXPECT_EQ(f.Check3[0].Caption(), "伴奏");
    EXPECT_EQ(f.Check3[2].Caption(), "循环播放");
    EXPECT_EQ(f.Label3[18].Caption(), "播放比例");
    EXPECT_EQ(f.Label3[33].Caption(), "MIDI延迟修正:");
    EXPECT_EQ(f.Label7.Caption(), "100%");
    EXPECT_EQ(f.Label15[3].Caption(), "中 央 C ");
    EXPECT_EQ(f.Labkeyt[1].Caption(), "功能键F1~F12:");
    EXPECT_EQ(f.Command10[2].Caption(), "简谱设置");
    EXPECT_FALSE(f.Command2[3].Visible());
    EXPECT_FALSE(f.Command2[5].Enabled());
}

TEST_F(Form1Test, PaperListFromPsetIni) {
    write("pset.ini", "2\r\nA4,210,297\r\nB5,182,257\r\n");
    Form1& f = start();
    ASSERT_EQ(f.Combo6.ListCount(), 3);
    EXPECT_EQ(f.Combo6.List(0), "A4 [21厘米×29.7厘米]");
    EXPECT_EQ(f.Combo6.List(1), "B5 [18.2厘米×25.7厘米]");
    EXPECT_EQ(f.Combo6.List(2), "[自定义大小]");
    EXPECT_EQ(f.Combo6.ListIndex(), 0);
}

TEST_F(Form1Test, PaperListWithCountZeroHoldsOnlyTheCustomEntry) {
    write("pset.ini", "0\r\n");
    Form1& f = start();
    ASSERT_EQ(f.Combo6.ListCount(), 1);
    EXPECT_EQ(f.Combo6.Text(), "[自定义大小]");
}

TEST_F(Form1Test, TimeSignatureListsStartWithFourFour) {
    write("jp.txt", "3/4,4/4,6/8\r\n");
    Form1& f = start();
    const QStringList expected = {"4/4", "3/4", "4/4", "6/8"};
    ASSERT_EQ(f.Combo1.ListCount(), 4);
    ASSERT_EQ(f.Combo3[0].ListCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.Combo1.List(i), expected[i]);
        EXPECT_EQ(f.Combo3[0].List(i), expected[i]);
    }
    EXPECT_EQ(f.Combo1.ListIndex(), 0);
    EXPECT_EQ(f.Combo3[0].ListIndex(), -1);
}

TEST_F(Form1Test, ListsFilledAtStartUp) {
    Form1& f = start();
    EXPECT_EQ(f.Combo10.ListCount(), 7);
    EXPECT_EQ(f.Combo10.Text(), "下方正中");
    EXPECT_EQ(f.Combo9.ListIndex(), 1);
    EXPECT_EQ(f.List3.ListCount(), 128);
    EXPECT_EQ(f.List3.ListIndex(), -1);
    EXPECT_EQ(f.Combo2[0].Text(), "1/4");
    EXPECT_EQ(f.Combo2[1].Text(), "1/16");
    EXPECT_EQ(f.SnapGrid[0], 48);
    EXPECT_EQ(f.SnapGrid[1], 12);
    EXPECT_EQ(f.Combo3[1].ListCount(), 12);
    EXPECT_EQ(f.Combo3[2].List(11), "B 调  (+11)");
    EXPECT_EQ(f.Combo3[1].List(3), "bE调  (+3)");
    EXPECT_EQ(f.Combo5.ListCount(), 6);
    EXPECT_EQ(f.Combo5.List(2), "低八度1~7");
    EXPECT_EQ(f.Combo7[1].ListCount(), 91);
    EXPECT_EQ(f.Combo7[1].List(0), "#");
    EXPECT_EQ(f.Combo7[1].FontName(), "Qelto");
    EXPECT_EQ(f.Combo7[2].ListCount(), 16);
    EXPECT_EQ(f.Combo7[2].List(15), "sffz");
    EXPECT_TRUE(f.Combo7[2].FontBold());
    EXPECT_TRUE(f.Combo7[2].FontItalic());
    EXPECT_EQ(f.Combo8.ListCount(), 7);
    EXPECT_EQ(f.Combo8.List(6), "第7段");
    EXPECT_EQ(f.Command4[11].Caption(), "1");
    EXPECT_TRUE(dialogs.MsgBoxCalls().empty());
}

TEST_F(Form1Test, MissingWordListIsNamedAndReplacedByTheBuiltInList) {
    QFile::remove(path("GM.txt"));
    write("explin.txt", "");
    Form1& f = start();
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].prompt.contains("GM.txt"));
    EXPECT_TRUE(calls[1].prompt.contains("explin.txt"));
    EXPECT_EQ(f.List3.ListCount(), 128);
    EXPECT_GE(f.Combo7[0].ListCount(), 1);
    EXPECT_EQ(f.Combo7[0].ListIndex(), 0);
    EXPECT_EQ(f.Label16[1].Caption(), f.List3.List(0));
}

TEST_F(Form1Test, MissingPictureFolderDoesNotStopStartUp) {
    QDir(path("peo")).removeRecursively();
    Form1& f = start();
    EXPECT_EQ(f.File1.ListCount(), 0);
    EXPECT_EQ(f.song->PartCount, 5);
}

TEST_F(Form1Test, PictureListPointsAtThePeoFolder) {
    Form1& f = start();
    ASSERT_GE(f.File1.ListCount(), 3);
    EXPECT_EQ(f.File1.ListIndex(), 2);
}

TEST_F(Form1Test, ClockShowsHoursAndMinutesAtOnce) {
    const QTime before = QTime::currentTime();
    Form1& f = start();
    const QTime after = QTime::currentTime();
    const QString caption = f.Command14.Caption();
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d$").match(caption).hasMatch()) << caption.toStdString();
    EXPECT_TRUE(caption == before.toString("HH:mm") || caption == after.toString("HH:mm"));
}

TEST_F(Form1Test, NewSongAfterStartUp) {
    Form1& f = start();
    EXPECT_EQ(f.song->PartCount, 5);
    EXPECT_EQ(f.song->TimeSigCodes[0], 100);
    EXPECT_EQ(f.song->SongLength, 11520);
    EXPECT_EQ(f.song->Modified, -1);  // the typeset run of New marks it
    EXPECT_EQ(f.song->PageSetupChanged, -1);
    EXPECT_EQ(f.journal.ListCount(), 1);
    EXPECT_EQ(f.journal.List(0), "0无法撒消");
    EXPECT_EQ(f.Label2[1].Caption(), "领唱");
    EXPECT_EQ(f.Label2[5].Caption(), "男低");
    EXPECT_EQ(f.Label4[3].Width(), 100);
    EXPECT_EQ(f.Command11[2].Caption(), "词");
    EXPECT_EQ(f.Check1[4].Value(), 1);
    EXPECT_EQ(f.Check1[24].Value(), 1);
    EXPECT_EQ(f.Check1[34].Value(), 0);
    EXPECT_EQ(f.Label19[0].Caption(), "[歌曲名]");
    EXPECT_EQ(f.Label19[6].Caption(), "xxx xxx");
    EXPECT_EQ(f.Label19[7].Caption(), "——附标题");
    EXPECT_EQ(f.Picture13.Tag, "1");
    EXPECT_EQ(f.Text1[1].Text(), "180");
    EXPECT_EQ(f.Text1[2].Text(), "80");
    EXPECT_EQ(f.Combo3[2].ListIndex(), 0);
    EXPECT_EQ(f.RollViewStart, 0);
    EXPECT_EQ(f.RollViewEnd, 1536);
    EXPECT_EQ(f.RollViewSpan, 1920);
    EXPECT_EQ(f.DragStartTick, -1);
    EXPECT_DOUBLE_EQ(f.MidiDelay, 0.16);
    EXPECT_EQ(f.NoteBarWidth, 5);
    EXPECT_EQ(f.SlantHalfWidth, 5);
    EXPECT_EQ(f.LyricNoteGap, f.LyricCharWidth - 5);
    EXPECT_EQ(f.LyricCharWidth, int(f.Label9.Width()) - 2);
    EXPECT_EQ(f.Image1.Left(), -5000);
    // Editor-window box: 1536 of 11520 ticks of a 1024-pixel ruler.
    EXPECT_NEAR(f.Label14.Width(), 1536.0 / 11520 * 1024, 1);
    EXPECT_EQ(f.EditorScrollStep, 7);  // 5 % of 137 pixels
    EXPECT_EQ(wmp.url, path("none.wav"));
    EXPECT_EQ(wmp.volume, 100);  // 127 passed on, the player's scale ends at 100
    // No question at start-up.
    EXPECT_TRUE(dialogs.MsgBoxCalls().empty());
}

TEST_F(Form1Test, NewSendsProgramChangesToTheOpenDevice) {
    start();
    EXPECT_TRUE(midi.open);
    EXPECT_EQ(midi.openCalls, 1);
    EXPECT_TRUE(midi.droppedWhileClosed.empty());
    ASSERT_EQ(midi.messages.size(), 5u);
    for (uint32_t k = 0; k < 5; ++k) EXPECT_EQ(midi.messages[k], (0xC0u + k) | (0x64u << 16));
}

TEST_F(Form1Test, NewWithAModifiedSongAsksFirst) {
    Form1& f = start();
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.song->Parts[1].Name = "changed";
    f.Command2_Click(0);
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].prompt, "当前正在编辑的文件没有保存。是否先保存?");
    EXPECT_EQ(calls[0].title, "提示");
    EXPECT_EQ(calls[0].buttons, vb::vbYesNo);
    EXPECT_EQ(calls[0].icon, vb::vbCritical);
    EXPECT_TRUE(calls[0].systemModal);
    EXPECT_EQ(f.song->Parts[1].Name, "领唱");
}

TEST_F(Form1Test, PlayToggleHiddenForAboutTwoSecondsAfterStart) {
    Form1& f = start();
    EXPECT_FALSE(f.Check2.Visible());
    EXPECT_TRUE(f.Timload.Enabled());
    QTest::qWait(1200);
    EXPECT_FALSE(f.Check2.Visible());
    EXPECT_FALSE(f.Command2[5].Enabled());
    QTRY_VERIFY_WITH_TIMEOUT(f.Check2.Visible(), 3000);
    EXPECT_TRUE(f.Command2[5].Enabled());
    EXPECT_FALSE(f.Timload.Enabled());
    // The zoom now applied in full: 100 % at tick 0 is a page of 384 ticks plus 48.
    EXPECT_EQ(f.TrackPageSpan, 432);
    EXPECT_EQ(f.TrackPageEnd, 432);
    EXPECT_EQ(f.FrontCanvas, 1);
    EXPECT_NEAR(f.Picture4[0].Width(), 432 * 744.0 / 384, 1);
}

TEST_F(Form1Test, ExitClosesMidiAndEnds) {
    Form1& f = start();
    exitWithoutSaving();
    EXPECT_EQ(midi.closeCalls, 1);
    EXPECT_EQ(quitCalls, 1);
    EXPECT_TRUE(f.Exited());
    EXPECT_FALSE(QFile::exists(path("set.ini")));
}

TEST_F(Form1Test, ExitAnsweredCancelKeepsRunning) {
    Form1& f = start();
    dialogs.msgBoxAnswers.push_back(vb::vbCancel);
    f.Command2_Click(4);
    EXPECT_EQ(dialogs.MsgBoxCalls().back().buttons, vb::vbYesNoCancel);
    EXPECT_EQ(quitCalls, 0);
    EXPECT_EQ(midi.closeCalls, 0);
    EXPECT_FALSE(f.Exited());
}

TEST_F(Form1Test, CloseRequestGoesThroughExit) {
    Form1& f = start();
    f.show();
    dialogs.msgBoxAnswers.push_back(vb::vbCancel);
    EXPECT_FALSE(f.close());
    EXPECT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(quitCalls, 0);
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.close();
    EXPECT_EQ(quitCalls, 1);
    EXPECT_EQ(midi.closeCalls, 1);
}

TEST_F(Form1Test, TitleBlockPanelHidesOnDoubleClick) {
    Form1& f = start();
    f.Picture13_DblClick();
    EXPECT_FALSE(f.Picture13.Visible());
    EXPECT_EQ(f.Picture13.Tag, "1");
}

TEST_F(Form1Test, VerseChooserShowsItsNumberOnTheToolbar) {
    Form1& f = start();
    f.Combo8.SetListIndex(3);
    EXPECT_EQ(f.Command4[11].Caption(), "4");
}

// Writes the window as a picture when CHOIR_SCREENSHOT names a file (for looking at the layout).
TEST_F(Form1Test, Screenshot) {
    const QByteArray target = qgetenv("CHOIR_SCREENSHOT");
    if (target.isEmpty()) GTEST_SKIP() << "CHOIR_SCREENSHOT not set";
    app::installFonts(PROGRAM_DIR);
    Form1& f = start();
    f.show();
    QTest::qWait(2600);
    ASSERT_TRUE(f.grab().save(QString::fromLocal8Bit(target)));
}
