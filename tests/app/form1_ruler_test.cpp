// The song ruler, the position display, the song-settings panel and the change-point panels,
// driven through the main window.
#include "app/form1_fixture.h"

#include <QComboBox>
#include <QtTest/QTest>

#include "app/startup.h"
#include "document/projectfile.h"
#include "document/songcodes.h"

using namespace app;

class RulerTest : public Form1Test {
protected:
    // A song of 60 s at 80 per minute (3840 ticks, 20 bars of 4/4) on a 1000-pixel ruler.
    Form1& startShortSong() {
        Form1& f = start();
        f.Command2_Click(6);
        f.Text1[1].SetText("60");
        f.Command2_Click(12);
        EXPECT_EQ(f.song->SongLength, 3840);
        f.Picture1.SetWidth(1000);
        f.RebuildTimeline();
        return f;
    }
    // Puts the cursor at `tick` as a locate click would leave it.
    void cursorAt(Form1& f, int32_t tick) {
        f.song->CursorTick = tick;
        f.RebuildTimeline();
        f.UpdatePositionDisplay();
    }
    QString lastMessage() const {
        const auto calls = dialogs.MsgBoxCalls();
        return calls.empty() ? QString() : calls.back().prompt;
    }
    size_t messageCount() const { return dialogs.MsgBoxCalls().size(); }
};

// ---------------------------------------------------------------------------------------------
// Song settings

TEST_F(RulerTest, SongSettingsCheckedStoredAndShown) {
    Form1& f = start();
    f.song->Modified = 0;
    for (const char* length : {"9.9", "600.5"}) {
        f.Command2_Click(6);
        f.Text1[1].SetText(length);
        f.Command2_Click(12);
        EXPECT_EQ(lastMessage(), "时间填写错误超出范围") << length;
        EXPECT_EQ(dialogs.MsgBoxCalls().back().title, "提示");
        EXPECT_TRUE(f.Frame2.Visible());
        EXPECT_EQ(f.song->SongLength, 11520);
        EXPECT_EQ(f.song->Modified, 0);
    }
    f.Text1[1].SetText("600");
    f.Text1[0].SetText("-1");
    f.Command2_Click(12);
    EXPECT_EQ(lastMessage(), "开始时间填写错误");
    f.Text1[0].SetText("");
    f.Text1[2].SetText("");
    f.Command2_Click(12);
    EXPECT_EQ(lastMessage(), "速度超出范围 (请填写30~180)");
    EXPECT_TRUE(f.Frame2.Visible());

    // Accepted: 600 s, an empty start, tempo 30, key C with "低八度".
    const size_t before = messageCount();
    f.Text1[2].SetText("30");
    f.Combo3[2].SetListIndex(0);
    ASSERT_EQ(f.Combo3[2].Text(), "C 调  (+0)");
    f.Check6[1].SetValue(1);
    f.Command2_Click(12);
    EXPECT_EQ(messageCount(), before);
    EXPECT_FALSE(f.Frame2.Visible());
    EXPECT_EQ(f.song->SongLength, 14400);  // 600 s × 0.8 × 30
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.Label3[16].Caption(), "30");
    EXPECT_EQ(f.song->KeyChangeKeys[0], -12);
    EXPECT_EQ(f.Label3[17].Caption(), "低C调(+0)");  // too long for its row with its spaces
    // The key list ends the file: six bytes per entry, the key in the last two.
    const QByteArray bytes = doc::BuildProjectFileBytes(*f.song, doc::ProjectExtras{});
    const int keyAt = int(bytes.size()) - 6 * (f.song->KeyChangeLastIndex + 1);
    EXPECT_EQ(bytes.mid(keyAt + 4, 2), Hex("F4 FF"));
    // Reopened, the panel shows it again.
    f.Check6[1].SetValue(0);
    f.Combo3[2].SetListIndex(5);
    f.Command2_Click(6);
    EXPECT_EQ(f.Combo3[2].ListIndex(), 0);
    EXPECT_EQ(f.Check6[1].Value(), 1);
}

TEST_F(RulerTest, UnlistedTimeSignaturesAreShownAndKept) {
    Form1& f = startShortSong();
    const int16_t fiveEight = doc::TimeSigTextToCode("5/8");
    // The song's own, in the song-settings panel.
    f.song->TimeSigCodes[0] = fiveEight;
    f.Command2_Click(6);
    EXPECT_EQ(f.Combo1.ListIndex(), -1);
    EXPECT_EQ(qobject_cast<QComboBox*>(f.Combo1.widget())->placeholderText(), "5/8");
    f.Command2_Click(12);
    EXPECT_EQ(f.song->TimeSigCodes[0], fiveEight);
    // A change entry, in its panel.
    f.song->TimeSigCodes[0] = doc::TimeSigTextToCode("4/4");
    f.song->TimeSigTicks[1] = 768;
    f.song->TimeSigCodes[1] = fiveEight;
    f.song->TimeSigLastIndex = 1;
    f.RebuildTimeline();
    f.Combo3[0].SetListIndex(1);
    f.LabJP_Click(1);
    EXPECT_EQ(qobject_cast<QComboBox*>(f.Combo3[0].widget())->placeholderText(), "5/8");
    f.Command2_Click(9);
    EXPECT_EQ(f.song->TimeSigCodes[1], fiveEight);
    EXPECT_EQ(f.LabJP[1].Caption(), "5/8");
}

// ---------------------------------------------------------------------------------------------
// Change points

TEST_F(RulerTest, ChangesInsertedAtTheNearestTwelveTicks) {
    Form1& f = startShortSong();
    cursorAt(f, 138);
    f.OpenChangePointAtCursor(1);
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_EQ(f.EditedChangeTick, 144);
    EXPECT_EQ(f.PlayMode, PlayMode::ChangePanel);
    EXPECT_FALSE(f.Picct.Enabled());
    f.Text1[3].SetText("92.5");
    f.Command2_Click(14);
    EXPECT_FALSE(f.Picture2[1].Visible());
    EXPECT_EQ(f.PlayMode, PlayMode::Idle);
    EXPECT_TRUE(f.Picct.Enabled());
    EXPECT_EQ(f.song->TempoChangeTicks[1], 144);
    EXPECT_FLOAT_EQ(f.song->TempoChangeBpm[1], 92.5f);
    // The timeline is rebuilt: the marker shows the tempo at its tick.
    EXPECT_EQ(f.Label6[1].Caption(), "92.5");
    EXPECT_NEAR(f.Label6[1].Left(), 144.0 * 1000 / f.song->SongLength, 0.5);

    // A time signature for cursor 17 goes in at 12, then onto the next bar line.
    cursorAt(f, 17);
    f.OpenChangePointAtCursor(0);
    EXPECT_EQ(f.EditedChangeTick, 12);
    f.Combo3[0].SetText("3/4");
    f.Command2_Click(9);
    EXPECT_EQ(f.song->TimeSigTicks[1], 192);
    EXPECT_EQ(f.LabJP[1].Caption(), "3/4");

    // Full lists are refused.
    f.song->TempoLastIndex = 39;
    f.OpenChangePointAtCursor(1);
    EXPECT_EQ(lastMessage(), "插入速度更改太多");
    EXPECT_FALSE(f.Picture2[1].Visible());
    f.song->KeyChangeLastIndex = 19;
    f.OpenChangePointAtCursor(2);
    EXPECT_EQ(lastMessage(), "插入调试更改太多");
    EXPECT_FALSE(f.Picture2[2].Visible());
    EXPECT_TRUE(f.Picct.Enabled());
}

TEST_F(RulerTest, TempoMarkerClickedOpensTheTempoToEditAndDelete) {
    Form1& f = startShortSong();
    f.song->TempoChangeTicks[1] = 768;
    f.song->TempoChangeBpm[1] = 92.5f;
    f.song->TempoChangeTicks[2] = 1536;
    f.song->TempoChangeBpm[2] = 120;
    f.song->TempoLastIndex = 2;
    f.RebuildTimeline();
    ASSERT_EQ(f.Label6[1].Caption(), "92.5");
    f.show();
    QTest::mouseClick(f.Label6[1].widget(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_EQ(f.Text1[3].Text(), "92.5");
    EXPECT_TRUE(f.Command2[18].Visible());
    EXPECT_EQ(f.EditedChangeIndex, 1);
    // A refused tempo keeps the panel open; Delete moves the last entry into the place.
    f.Text1[3].SetText("25");
    f.Command2_Click(14);
    EXPECT_EQ(lastMessage(), "速度超出范围 (请填写30~180)");
    EXPECT_TRUE(f.Picture2[1].Visible());
    f.Command2_Click(18);
    EXPECT_FALSE(f.Picture2[1].Visible());
    EXPECT_EQ(f.PlayMode, PlayMode::Idle);
    EXPECT_EQ(f.song->TempoLastIndex, 1);
    EXPECT_EQ(f.Label6[1].Caption(), "120");
    EXPECT_FALSE(f.Label6[2].Visible());
}

TEST_F(RulerTest, KeyMarkerOfAnOctaveLowerKey) {
    Form1& f = startShortSong();
    f.song->KeyChangeTicks[1] = 384;
    f.song->KeyChangeKeys[1] = -3;
    f.song->KeyChangeLastIndex = 1;
    f.RebuildTimeline();
    EXPECT_EQ(f.Labdh[1].Caption(), "低A ");
    f.Combo3[1].SetListIndex(2);
    f.Labdh_Click(1);
    EXPECT_TRUE(f.Picture2[2].Visible());
    EXPECT_EQ(f.Combo3[1].ListIndex(), 9);
    EXPECT_EQ(f.Check6[0].Value(), 1);
    // OK untouched keeps the key; edited to E without the box it is stored in place.
    f.Command2_Click(15);
    EXPECT_EQ(f.song->KeyChangeKeys[1], -3);
    f.Labdh_Click(1);
    f.Combo3[1].SetListIndex(4);
    f.Check6[0].SetValue(0);
    f.Command2_Click(15);
    EXPECT_EQ(f.song->KeyChangeKeys[1], 4);
    EXPECT_EQ(f.song->KeyChangeLastIndex, 1);
    EXPECT_EQ(f.Labdh[1].Caption(), "E ");
}

TEST_F(RulerTest, OneChangePanelAtATimeAndNoneDuringPlayback) {
    Form1& f = startShortSong();
    f.song->TempoChangeTicks[1] = 768;
    f.song->TempoChangeBpm[1] = 100;
    f.song->TempoLastIndex = 1;
    f.RebuildTimeline();
    cursorAt(f, 384);
    f.OpenChangePointAtCursor(0);
    ASSERT_TRUE(f.Picture2[0].Visible());
    // The marker's panel replaces the insertion panel, with the command column back.
    f.Label6_Click(1);
    EXPECT_FALSE(f.Picture2[0].Visible());
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_TRUE(f.Picct.Enabled());
    f.Command2_Click(9);  // OK of the closed panel: nothing
    EXPECT_EQ(f.song->TimeSigLastIndex, 0);
    f.Command2_Click(13);
    for (PlayMode mode : {PlayMode::Playing, PlayMode::CountIn, PlayMode::Armed}) {
        f.PlayMode = mode;
        f.OpenChangePointAtCursor(1);
        f.Label6_Click(1);
        EXPECT_FALSE(f.Picture2[1].Visible()) << int(mode);
        EXPECT_EQ(f.PlayMode, mode);
    }
    // No locate while a panel is open either.
    f.PlayMode = PlayMode::Idle;
    f.OpenChangePointAtCursor(1);
    f.Picture1_MouseDown(1, 0, 500, 0);
    EXPECT_EQ(f.song->CursorTick, 384);
}

// ---------------------------------------------------------------------------------------------
// The ruler and the position display

TEST_F(RulerTest, ClickLocatesOnTheGridAndShowsThePosition) {
    Form1& f = startShortSong();
    f.show();
    QTest::mousePress(f.Picture1.widget(), Qt::LeftButton, {}, QPoint(101, 20));
    EXPECT_EQ(f.song->CursorTick, 384);  // 387.84 → 388 → the grid of 48
    EXPECT_DOUBLE_EQ(f.Line4.X1(), 100);
    EXPECT_EQ(f.Label3[13].Caption(), "3");
    EXPECT_EQ(f.Label3[14].Caption(), "1");
    EXPECT_EQ(f.Label3[15].Caption(), "4/4");
    EXPECT_EQ(f.Label3[16].Caption(), "80");
    EXPECT_EQ(f.Label3[17].Caption(), "C 调  (+0)");
    EXPECT_EQ(f.Label3[19].Caption(), "6.000");
    EXPECT_EQ(f.TrackPageEnd, 384 + f.TrackPageSpan);
    // Between beats, on the grid of 12.
    f.Combo2[0].SetListIndex(4);
    f.Picture1_MouseDown(1, 0, 18.75, 0);
    EXPECT_EQ(f.song->CursorTick, 72);
    EXPECT_EQ(f.Label3[14].Caption(), "2.5");
    EXPECT_EQ(f.Label3[19].Caption(), "1.125");
}

TEST_F(RulerTest, LocatedCursorNeverPassesTheSongEnd) {
    Form1& f = start();
    // 3/4 for 58.5 s at 80: 3744 ticks; the grid of 192 would round the end up to 3840.
    f.Command2_Click(6);
    f.Combo1.SetText("3/4");
    f.Text1[1].SetText("58.5");
    f.Command2_Click(12);
    ASSERT_EQ(f.song->SongLength, 3744);
    f.Combo2[0].SetListIndex(0);
    f.Picture1_MouseDown(1, 0, f.Picture1.Width(), 0);
    EXPECT_EQ(f.song->CursorTick, 3744);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), f.Picture1.Width());
}

TEST_F(RulerTest, ShiftClicksSetTheLoop) {
    Form1& f = startShortSong();
    f.Check3[2].SetValue(1);
    f.RebuildTimeline();
    f.Picture1_MouseDown(1, 1, 1000, 0);
    EXPECT_EQ(f.song->LoopStart, 3744);
    EXPECT_DOUBLE_EQ(f.Label10[0].Left(), 3744.0 * 1000 / 3840 - 3);
    EXPECT_EQ(f.song->CursorTick, 0);
    f.song->LoopStart = 0;
    f.RebuildTimeline();
    f.Picture1_MouseDown(2, 1, 0, 0);
    EXPECT_EQ(f.song->LoopEnd, 96);
    EXPECT_DOUBLE_EQ(f.Label10[1].Left(), 25.0 - 18);
    // Alt on a loop marker acts as a click on the ruler under it.
    f.Picture1_MouseDown(2, 1, 1000, 0);
    f.Picture1_MouseDown(1, 1, 500, 0);
    ASSERT_EQ(f.song->LoopStart, 1920);
    const double left = f.Label10[0].Left();
    f.Label10_MouseDown(0, 1, 0, 3, 0);  // without Alt: nothing
    EXPECT_EQ(f.song->LoopStart, 1920);
    f.Label10_MouseDown(0, 1, 4, 101 - left, 0);
    EXPECT_EQ(f.song->LoopStart, 384);
}

TEST_F(RulerTest, PianoRollRulerLocatesInsideTheEditorWindow) {
    Form1& f = startShortSong();
    f.RollViewStart = 768;
    f.RollViewSpan = 1920;
    // x 100 of 903 over 1920 ticks from 768: 980.62 → 981 → the grid of 48: 960.
    f.Picture8_MouseDown(1, 0, 100, 0);
    EXPECT_EQ(f.song->CursorTick, 960);
    EXPECT_NEAR(f.Line6.X1(), 192.0 / 1920 * f.Picture8.Width(), 1e-9);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), 250);
    EXPECT_EQ(f.Label3[13].Caption(), "6");
}

TEST_F(RulerTest, ZoomKeepsTheCursorLineInPlace) {
    Form1& f = start();
    f.Picture1_MouseDown(1, 0, 512, 0);
    ASSERT_EQ(f.song->CursorTick, 5760);
    f.HScroll2.SetValue(2);
    EXPECT_EQ(f.Picture1.Width(), 2048);
    EXPECT_EQ(f.HScroll1.Value(), 512);
    EXPECT_EQ(f.Picture1.Left(), -512);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), 1024);
    // A click on the wider ruler locates by its own width.
    f.Picture1_MouseDown(1, 0, 1024, 0);
    EXPECT_EQ(f.song->CursorTick, 5760);
}

TEST_F(RulerTest, RulerScreenshot) {
    const QByteArray target = qgetenv("CHOIR_RULER_SCREENSHOT");
    if (target.isEmpty()) GTEST_SKIP() << "CHOIR_RULER_SCREENSHOT not set";
    app::installFonts(PROGRAM_DIR);
    Form1& f = start();
    f.song->TimeSigTicks[1] = 1536;
    f.song->TimeSigCodes[1] = doc::TimeSigTextToCode("3/4");
    f.song->TimeSigLastIndex = 1;
    f.song->TempoChangeTicks[1] = 768;
    f.song->TempoChangeBpm[1] = 92.5f;
    f.song->TempoLastIndex = 1;
    f.song->KeyChangeTicks[1] = 3072;
    f.song->KeyChangeKeys[1] = -3;
    f.song->KeyChangeLastIndex = 1;
    f.Check3[2].SetValue(1);
    f.RebuildTimeline();
    f.Picture1_MouseDown(1, 0, 400, 0);
    f.Picture1_MouseDown(1, 1, 40, 0);
    f.Picture1_MouseDown(2, 1, 300, 0);
    f.Label6_Click(1);
    f.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.grab().save(QString::fromLocal8Bit(target)));
}
