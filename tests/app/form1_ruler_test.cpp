// The song ruler, the position display, the song-settings panel and the change-point panels,
// driven through the main window.
#include "app/form1_fixture.h"

#include <QComboBox>
#include <QtTest/QTest>

#include "app/startup.h"
#include "document/projectfile.h"
#include "document/songcodes.h"

using namespace app;

namespace {

// The last message box shown, as prompt and title.
std::pair<QString, QString> LastMessage(const vb::ScriptedDialogs& d) {
    const auto calls = d.MsgBoxCalls();
    if (calls.empty()) return {};
    return {calls.back().prompt, calls.back().title};
}

}  // namespace

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
    size_t messageCount() const { return dialogs.MsgBoxCalls().size(); }
};

// ---------------------------------------------------------------------------------------------
// Song settings

TEST_F(RulerTest, SongSettingsOpenShowsTheSongStartValues) {
    Form1& f = start();
    EXPECT_FALSE(f.Frame2.Visible());
    f.song->TempoChangeBpm[0] = 92.5f;
    f.song->SongSeconds = 180;
    f.song->TimeSigCodes[0] = doc::TimeSigTextToCode("3/4");
    f.Command2_Click(6);
    EXPECT_TRUE(f.Frame2.Visible());
    EXPECT_EQ(f.Text1[2].Text(), "92.5");
    EXPECT_EQ(f.Text1[1].Text(), "180");
    EXPECT_EQ(f.Text1[0].Text(), "0");
    EXPECT_EQ(f.Combo1.Text(), "3/4");
    EXPECT_EQ(f.Combo3[2].ListIndex(), 0);
    EXPECT_EQ(f.Check6[1].Value(), 0);
    f.Command2_Click(11);
    EXPECT_FALSE(f.Frame2.Visible());
    EXPECT_EQ(f.song->TimeSigCodes[0], doc::TimeSigTextToCode("3/4"));
}

TEST_F(RulerTest, SongLengthOutsideTenToSixHundredSecondsIsRefused) {
    Form1& f = start();
    f.song->Modified = 0;
    for (const char* length : {"9.9", "600.5"}) {
        f.Command2_Click(6);
        f.Text1[1].SetText(length);
        f.Command2_Click(12);
        EXPECT_EQ(LastMessage(dialogs), std::make_pair(QString("时间填写错误超出范围"), QString("提示"))) << length;
        EXPECT_TRUE(dialogs.MsgBoxCalls().back().systemModal);
        EXPECT_TRUE(f.Frame2.Visible());
        EXPECT_EQ(f.song->SongSeconds, 180);
        EXPECT_EQ(f.song->SongLength, 11520);
        EXPECT_EQ(f.song->Modified, 0);
    }
    const size_t before = messageCount();
    f.Text1[1].SetText("600");
    f.Command2_Click(12);
    EXPECT_EQ(messageCount(), before);
    EXPECT_FALSE(f.Frame2.Visible());
    EXPECT_EQ(f.song->SongSeconds, 600);
    EXPECT_EQ(f.song->SongLength, 38400);  // 600 s × 0.8 × 80
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->PlayEventsStale, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
}

TEST_F(RulerTest, SongStartAndTempoChecks) {
    Form1& f = start();
    f.Command2_Click(6);
    f.Text1[0].SetText("-1");
    f.Command2_Click(12);
    EXPECT_EQ(LastMessage(dialogs).first, "开始时间填写错误");
    EXPECT_TRUE(f.Frame2.Visible());

    f.Text1[0].SetText("");
    f.Text1[2].SetText("");
    f.Command2_Click(12);
    EXPECT_EQ(LastMessage(dialogs).first, "速度超出范围 (请填写30~180)");
    EXPECT_FLOAT_EQ(f.song->TempoChangeBpm[0], 80);

    // An empty start reads as 0; a tempo of exactly 30 is accepted.
    f.Text1[2].SetText("30");
    const size_t before = messageCount();
    f.Command2_Click(12);
    EXPECT_EQ(messageCount(), before);
    EXPECT_FALSE(f.Frame2.Visible());
    EXPECT_EQ(f.song->SongStartSeconds, 0);
    EXPECT_FLOAT_EQ(f.song->TempoChangeBpm[0], 30);
    EXPECT_EQ(f.song->SongLength, 4224);  // 4320 cut back to its bar
    EXPECT_EQ(f.Label3[16].Caption(), "30");
}

TEST_F(RulerTest, KeyAnOctaveLowerIsStoredSavedAndShownAgain) {
    Form1& f = start();
    f.Command2_Click(6);
    f.Combo3[2].SetListIndex(0);
    ASSERT_EQ(f.Combo3[2].Text(), "C 调  (+0)");
    f.Check6[1].SetValue(1);
    f.Command2_Click(12);
    EXPECT_EQ(f.song->KeyChangeKeys[0], -12);
    EXPECT_EQ(f.Label3[17].Caption(), "低C 调  (+0)");

    // The key list ends the file: six bytes per entry, the key in the last two.
    const QByteArray bytes = doc::BuildProjectFileBytes(*f.song, doc::ProjectExtras{});
    ASSERT_FALSE(bytes.isEmpty());
    const int keyAt = int(bytes.size()) - 6 * (f.song->KeyChangeLastIndex + 1);
    EXPECT_EQ(bytes.mid(keyAt + 4, 2), Hex("F4 FF"));

    ASSERT_TRUE(doc::SaveProjectFile(path("low.brc"), *f.song, doc::ProjectExtras{}).Ok);
    doc::ProjectLoad loaded = doc::ReadProjectFile(path("low.brc"), f.song.get());
    ASSERT_TRUE(loaded.Ok) << loaded.Error.toStdString();
    f.song = std::move(loaded.LoadedSong);
    f.Check6[1].SetValue(0);
    f.Combo3[2].SetListIndex(5);
    f.Command2_Click(6);
    EXPECT_EQ(f.Combo3[2].ListIndex(), 0);
    EXPECT_EQ(f.Check6[1].Value(), 1);
}

TEST_F(RulerTest, ShorterSongBringsTheCursorToItsEnd) {
    Form1& f = start();
    f.Picture1_MouseDown(1, 0, 1000, 0);
    ASSERT_GT(f.song->CursorTick, 3840);
    f.Command2_Click(6);
    f.Text1[1].SetText("60");
    f.Command2_Click(12);
    EXPECT_EQ(f.song->CursorTick, 3840);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), f.Picture1.Width());
    EXPECT_EQ(f.Label3[13].Caption(), "21");
}

TEST_F(RulerTest, UnlistedSongTimeSignatureIsShownAndKept) {
    Form1& f = start();
    const int16_t fiveEight = doc::TimeSigTextToCode("5/8");
    f.song->TimeSigCodes[0] = fiveEight;
    f.Command2_Click(6);
    EXPECT_EQ(f.Combo1.ListIndex(), -1);
    EXPECT_EQ(qobject_cast<QComboBox*>(f.Combo1.widget())->placeholderText(), "5/8");
    f.Command2_Click(12);
    EXPECT_FALSE(f.Frame2.Visible());
    EXPECT_EQ(f.song->TimeSigCodes[0], fiveEight);
    EXPECT_EQ(f.Label3[15].Caption(), "5/8");
    // A listed value chosen afterwards is stored.
    f.Command2_Click(6);
    f.Combo1.SetListIndex(0);
    f.Command2_Click(12);
    EXPECT_EQ(f.song->TimeSigCodes[0], doc::TimeSigTextToCode("4/4"));
}

// ---------------------------------------------------------------------------------------------
// Change points

TEST_F(RulerTest, TempoInsertedAtTheNearestTwelveTicks) {
    Form1& f = startShortSong();
    cursorAt(f, 138);
    f.song->Modified = 0;
    f.OpenChangePointAtCursor(1);
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_FALSE(f.Picture2[0].Visible());
    EXPECT_EQ(f.EditedChangeTick, 144);
    EXPECT_EQ(f.EditedChangeIndex, 1);
    EXPECT_EQ(f.PlayMode, 1);
    EXPECT_FALSE(f.Picct.Enabled());
    EXPECT_FALSE(f.Command2[18].Visible());
    EXPECT_EQ(f.Text1[3].Text(), " 80");
    // The panel opens at the cursor line.
    EXPECT_NEAR(f.Picture2[1].Left(), 138.0 * 1000 / 3840, 0.5);

    f.Text1[3].SetText("92.5");
    f.Command2_Click(14);
    EXPECT_FALSE(f.Picture2[1].Visible());
    EXPECT_EQ(f.PlayMode, 0);
    EXPECT_TRUE(f.Picct.Enabled());
    EXPECT_EQ(f.song->TempoLastIndex, 1);
    EXPECT_EQ(f.song->TempoChangeTicks[1], 144);
    EXPECT_FLOAT_EQ(f.song->TempoChangeBpm[1], 92.5f);
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->PlayEventsStale, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
    // The timeline is rebuilt: the marker shows the tempo at its tick, the song end moved.
    EXPECT_TRUE(f.Label6[1].Visible());
    EXPECT_FALSE(f.Label6[2].Visible());
    EXPECT_EQ(f.Label6[1].Caption(), "92.5");
    EXPECT_NEAR(f.Label6[1].Left(), 144.0 * 1000 / f.song->SongLength, 0.5);
    EXPECT_GT(f.song->SongLength, 3840);
    EXPECT_EQ(f.Label3[16].Caption(), "80");  // the cursor at 138 is before the change
}

TEST_F(RulerTest, TimeSignatureInsertedAtTwelveForCursorSeventeen) {
    Form1& f = startShortSong();
    cursorAt(f, 17);
    f.OpenChangePointAtCursor(0);
    ASSERT_TRUE(f.Picture2[0].Visible());
    EXPECT_EQ(f.EditedChangeTick, 12);
    EXPECT_EQ(f.Combo3[0].Text(), "4/4");
    f.Combo3[0].SetText("3/4");
    f.Command2_Click(9);
    EXPECT_EQ(f.song->TimeSigLastIndex, 1);
    // The rebuild moves the change onto the next bar line.
    EXPECT_EQ(f.song->TimeSigTicks[1], 192);
    EXPECT_EQ(f.song->TimeSigCodes[1], doc::TimeSigTextToCode("3/4"));
    EXPECT_TRUE(f.LabJP[1].Visible());
    EXPECT_EQ(f.LabJP[1].Caption(), "3/4");
    EXPECT_NEAR(f.LabJP[1].Left(), 192.0 * 1000 / f.song->SongLength, 0.5);

    cursorAt(f, 18);
    f.OpenChangePointAtCursor(0);
    EXPECT_EQ(f.EditedChangeTick, 24);
    EXPECT_EQ(f.EditedChangeIndex, 2);
}

TEST_F(RulerTest, InsertionAtTheSongStartIsRefused) {
    Form1& f = startShortSong();
    for (int32_t tick : {0, 5}) {  // 5 rounds to tick 0 as well
        cursorAt(f, tick);
        const size_t before = messageCount();
        f.OpenChangePointAtCursor(2);
        ASSERT_EQ(messageCount(), before + 1) << tick;
        EXPECT_EQ(LastMessage(dialogs), std::make_pair(QString("不能在开始处插入，请在歌曲设置里修改"), QString()));
        EXPECT_FALSE(f.Picture2[2].Visible());
        EXPECT_TRUE(f.Picct.Enabled());
        EXPECT_EQ(f.PlayMode, 0);
    }
    cursorAt(f, 6);
    f.OpenChangePointAtCursor(2);
    EXPECT_TRUE(f.Picture2[2].Visible());
    EXPECT_EQ(f.EditedChangeTick, 12);
}

TEST_F(RulerTest, FullListsAreRefused) {
    Form1& f = startShortSong();
    cursorAt(f, 96);
    f.song->TempoLastIndex = 39;
    f.OpenChangePointAtCursor(1);
    EXPECT_EQ(LastMessage(dialogs).first, "插入速度更改太多");
    EXPECT_FALSE(f.Picture2[1].Visible());
    f.song->TempoLastIndex = 38;
    f.OpenChangePointAtCursor(1);
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_EQ(f.EditedChangeIndex, 39);
    f.Command2_Click(13);
    EXPECT_FALSE(f.Picture2[1].Visible());
    EXPECT_EQ(f.song->TempoLastIndex, 38);
    EXPECT_EQ(f.PlayMode, 0);

    f.song->KeyChangeLastIndex = 19;
    f.OpenChangePointAtCursor(2);
    EXPECT_EQ(LastMessage(dialogs).first, "插入调试更改太多");
    EXPECT_FALSE(f.Picture2[2].Visible());
    f.song->TimeSigLastIndex = 19;
    f.OpenChangePointAtCursor(0);
    EXPECT_EQ(LastMessage(dialogs).first, "插入节奏更改太多");
    EXPECT_FALSE(f.Picture2[0].Visible());
    EXPECT_TRUE(f.Picct.Enabled());
}

TEST_F(RulerTest, InsertionNeedsTheCursorLineOnTheScreen) {
    Form1& f = start();
    f.HScroll2.SetValue(3);
    f.HScroll1.SetValue(0);
    cursorAt(f, 11004);  // x 2934.4 on a 3072-pixel ruler: beyond the screen
    const size_t before = messageCount();
    f.OpenChangePointAtCursor(1);
    EXPECT_FALSE(f.Picture2[1].Visible());
    EXPECT_EQ(messageCount(), before);
    f.HScroll1.SetValue(2048);
    f.OpenChangePointAtCursor(1);
    EXPECT_TRUE(f.Picture2[1].Visible());
    // At most the screen width − 209, and inside the screen with its width of 210.
    EXPECT_DOUBLE_EQ(f.Picture2[1].Left(), 1024 - 210);
    f.Command2_Click(13);
    f.HScroll1.SetValue(2400);
    EXPECT_EQ(f.HScroll1.Value(), 2048);  // the scroll bar's end
    cursorAt(f, 7680);                    // x 2048: the screen's left edge
    f.OpenChangePointAtCursor(1);
    EXPECT_DOUBLE_EQ(f.Picture2[1].Left(), 0);
}

TEST_F(RulerTest, TempoMarkerOpensTheTempoToEditAndDelete) {
    Form1& f = startShortSong();
    f.song->TempoChangeTicks[1] = 768;
    f.song->TempoChangeBpm[1] = 92.5f;
    f.song->TempoChangeTicks[2] = 1536;
    f.song->TempoChangeBpm[2] = 120;
    f.song->TempoLastIndex = 2;
    f.RebuildTimeline();
    ASSERT_TRUE(f.Label6[1].Visible());
    ASSERT_EQ(f.Label6[1].Caption(), "92.5");

    f.Label6_Click(1);
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_EQ(f.Text1[3].Text(), "92.5");
    EXPECT_TRUE(f.Command2[18].Visible());
    EXPECT_TRUE(f.Picct.Enabled());
    EXPECT_EQ(f.EditedChangeIndex, 1);
    EXPECT_EQ(f.EditedChangeTick, 768);
    EXPECT_EQ(f.PlayMode, 1);
    EXPECT_DOUBLE_EQ(f.Picture2[1].Left(), f.Label6[1].Left() + f.Picture1.Left());

    // A refused tempo keeps the panel open.
    f.Text1[3].SetText("25");
    f.Command2_Click(14);
    EXPECT_EQ(LastMessage(dialogs), std::make_pair(QString("速度超出范围 (请填写30~180)"), QString("提示")));
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_EQ(f.PlayMode, 1);
    EXPECT_FLOAT_EQ(f.song->TempoChangeBpm[1], 92.5f);

    f.Command2_Click(18);
    EXPECT_FALSE(f.Picture2[1].Visible());
    EXPECT_EQ(f.PlayMode, 0);
    EXPECT_EQ(f.song->TempoLastIndex, 1);
    EXPECT_EQ(f.song->TempoChangeTicks[1], 1536);
    EXPECT_FLOAT_EQ(f.song->TempoChangeBpm[1], 120);
    EXPECT_EQ(f.Label6[1].Caption(), "120");
    EXPECT_FALSE(f.Label6[2].Visible());
}

TEST_F(RulerTest, KeyMarkerOfAnOctaveLowerKey) {
    Form1& f = startShortSong();
    f.song->KeyChangeTicks[1] = 384;
    f.song->KeyChangeKeys[1] = -3;
    f.song->KeyChangeLastIndex = 1;
    f.RebuildTimeline();
    ASSERT_TRUE(f.Labdh[1].Visible());
    EXPECT_EQ(f.Labdh[1].Caption(), "低A ");
    EXPECT_DOUBLE_EQ(f.Labdh[1].Left(), 100);

    f.Combo3[1].SetListIndex(2);
    f.Labdh_Click(1);
    EXPECT_TRUE(f.Picture2[2].Visible());
    EXPECT_EQ(f.Combo3[1].ListIndex(), 9);
    EXPECT_EQ(f.Check6[0].Value(), 1);
    // OK untouched keeps the key; the position display past the change shows it.
    f.Command2_Click(15);
    EXPECT_EQ(f.song->KeyChangeKeys[1], -3);
    EXPECT_EQ(f.song->KeyChangeLastIndex, 1);
    f.Picture1_MouseDown(1, 0, 200, 0);
    EXPECT_EQ(f.Label3[17].Caption(), "低A 调  (+9)");
    EXPECT_EQ(f.CurrentKey, -3);

    // Edited to E without the box: stored in place.
    f.Labdh_Click(1);
    f.Combo3[1].SetListIndex(4);
    f.Check6[0].SetValue(0);
    f.Command2_Click(15);
    EXPECT_EQ(f.song->KeyChangeKeys[1], 4);
    EXPECT_EQ(f.song->KeyChangeLastIndex, 1);
    EXPECT_EQ(f.Labdh[1].Caption(), "E ");
}

TEST_F(RulerTest, UnlistedTimeSignatureEntryIsShownAndKept) {
    Form1& f = startShortSong();
    const int16_t fiveEight = doc::TimeSigTextToCode("5/8");
    f.song->TimeSigTicks[1] = 768;
    f.song->TimeSigCodes[1] = fiveEight;
    f.song->TimeSigLastIndex = 1;
    f.RebuildTimeline();
    f.Combo3[0].SetListIndex(1);
    f.LabJP_Click(1);
    EXPECT_EQ(f.Combo3[0].ListIndex(), -1);
    EXPECT_EQ(qobject_cast<QComboBox*>(f.Combo3[0].widget())->placeholderText(), "5/8");
    f.Command2_Click(9);
    EXPECT_FALSE(f.Picture2[0].Visible());
    EXPECT_EQ(f.song->TimeSigCodes[1], fiveEight);
    EXPECT_EQ(f.LabJP[1].Caption(), "5/8");
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
    ASSERT_FALSE(f.Picct.Enabled());
    // The marker's panel replaces the insertion panel, with the command column back.
    f.Label6_Click(1);
    EXPECT_FALSE(f.Picture2[0].Visible());
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_TRUE(f.Picct.Enabled());
    EXPECT_EQ(f.EditedChangeIndex, 1);
    f.Command2_Click(9);  // OK of the closed panel: nothing
    EXPECT_EQ(f.song->TimeSigLastIndex, 0);
    EXPECT_TRUE(f.Picture2[1].Visible());
    f.Command2_Click(13);
    EXPECT_EQ(f.PlayMode, 0);

    for (int16_t mode : {6, 7, 8}) {
        f.PlayMode = mode;
        const size_t before = messageCount();
        f.OpenChangePointAtCursor(1);
        f.Label6_Click(1);
        EXPECT_FALSE(f.Picture2[1].Visible()) << mode;
        EXPECT_EQ(f.PlayMode, mode);
        EXPECT_EQ(messageCount(), before);
        EXPECT_TRUE(f.Picct.Enabled());
    }
    f.PlayMode = 5;
    f.Label6_Click(1);
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_EQ(f.PlayMode, 1);
}

TEST_F(RulerTest, MarkerClickedWithTheMouse) {
    Form1& f = startShortSong();
    f.song->TempoChangeTicks[1] = 768;
    f.song->TempoChangeBpm[1] = 92.5f;
    f.song->TempoLastIndex = 1;
    f.RebuildTimeline();
    f.show();
    QTest::mouseClick(f.Label6[1].widget(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(f.Picture2[1].Visible());
    EXPECT_EQ(f.Text1[3].Text(), "92.5");
}

// ---------------------------------------------------------------------------------------------
// The ruler and the position display

TEST_F(RulerTest, ClickLocatesOnTheGridAndShowsThePosition) {
    Form1& f = startShortSong();
    f.show();
    QTest::mousePress(f.Picture1.widget(), Qt::LeftButton, {}, QPoint(101, 20));
    EXPECT_EQ(f.song->CursorTick, 384);  // 387.84 → 388 → the grid of 48
    EXPECT_DOUBLE_EQ(f.Line4.X1(), 100);
    EXPECT_DOUBLE_EQ(f.Line4.X2(), 100);
    EXPECT_EQ(f.Label3[13].Caption(), "3");
    EXPECT_EQ(f.Label3[14].Caption(), "1");
    EXPECT_EQ(f.Label3[15].Caption(), "4/4");
    EXPECT_EQ(f.Label3[16].Caption(), "80");
    EXPECT_EQ(f.Label3[17].Caption(), "C 调  (+0)");
    EXPECT_EQ(f.Label3[19].Caption(), "6.000");
    EXPECT_DOUBLE_EQ(f.CursorSeconds, 6.0);
    EXPECT_EQ(f.CursorTimeSig, doc::TimeSigTextToCode("4/4"));
    EXPECT_DOUBLE_EQ(f.CurrentTempo, 80);
    // The track view shows the page from its left edge; the page-end line sits a page later.
    EXPECT_EQ(f.Picture4[0].Left(), 0);
    EXPECT_EQ(f.Picture4[1].Left(), f.Picture3.Width());
    EXPECT_EQ(f.TrackPageEnd, 384 + f.TrackPageSpan);
    ASSERT_EQ(f.HScroll3[0].Value(), 100);
    EXPECT_DOUBLE_EQ(f.Line5.X1(), (384 + 384) * 1000 / 3840.0);
}

TEST_F(RulerTest, CursorBetweenBeats) {
    Form1& f = startShortSong();
    f.Combo2[0].SetListIndex(4);  // grid 12
    ASSERT_EQ(f.SnapGrid[0], 12);
    f.Picture1_MouseDown(1, 0, 18.75, 0);
    EXPECT_EQ(f.song->CursorTick, 72);
    EXPECT_EQ(f.Label3[13].Caption(), "1");
    EXPECT_EQ(f.Label3[14].Caption(), "2.5");
    EXPECT_EQ(f.Label3[19].Caption(), "1.125");
}

TEST_F(RulerTest, LocatedCursorNeverPassesTheSongEnd) {
    Form1& f = start();
    // 3/4 for 58.5 s at 80: 3744 ticks, 26 bars; the grid of 192 would round the end up to 3840.
    f.Command2_Click(6);
    f.Combo1.SetText("3/4");
    f.Text1[1].SetText("58.5");
    f.Command2_Click(12);
    ASSERT_EQ(f.song->SongLength, 3744);
    f.Combo2[0].SetListIndex(0);
    ASSERT_EQ(f.SnapGrid[0], 192);
    f.Picture1_MouseDown(1, 0, f.Picture1.Width(), 0);
    EXPECT_EQ(f.song->CursorTick, 3744);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), f.Picture1.Width());
    EXPECT_EQ(f.Label3[13].Caption(), "27");
}

TEST_F(RulerTest, ModifiedClicksSetTheLoopOnlyWithTheLoopSwitch) {
    Form1& f = startShortSong();
    f.Picture1_MouseDown(1, 0, 101, 0);
    ASSERT_EQ(f.song->CursorTick, 384);
    f.Check3[2].SetValue(0);
    const int32_t start = f.song->LoopStart, end = f.song->LoopEnd;
    f.Picture1_MouseDown(1, 1, 500, 0);
    f.Picture1_MouseDown(2, 2, 500, 0);
    EXPECT_EQ(f.song->LoopStart, start);
    EXPECT_EQ(f.song->LoopEnd, end);
    EXPECT_EQ(f.song->CursorTick, 384);
}

TEST_F(RulerTest, ShiftLeftAtTheEndSetsTheLoopStart) {
    Form1& f = startShortSong();
    f.Check3[2].SetValue(1);
    f.RebuildTimeline();
    ASSERT_EQ(f.song->LoopEnd, 3840);
    f.Picture11.SetTop(100);
    f.Picture1_MouseDown(1, 1, 1000, 0);
    EXPECT_EQ(f.song->LoopStart, 3744);
    EXPECT_DOUBLE_EQ(f.Label10[0].Left(), 3744.0 * 1000 / 3840 - 3);
    EXPECT_EQ(f.Picture11.Top(), -5000);
    EXPECT_EQ(f.song->CursorTick, 0);
}

TEST_F(RulerTest, ShiftRightAtTheStartSetsTheLoopEnd) {
    Form1& f = startShortSong();
    f.Check3[2].SetValue(1);
    f.RebuildTimeline();
    ASSERT_EQ(f.song->LoopStart, 0);
    f.Picture1_MouseDown(2, 1, 0, 0);
    EXPECT_EQ(f.song->LoopEnd, 96);
    EXPECT_DOUBLE_EQ(f.Label10[1].Left(), 25.0 - 18);
    // A loop start past the end keeps a beat before it.
    f.Picture1_MouseDown(1, 1, 1000, 0);
    EXPECT_EQ(f.song->LoopStart, 0);
    EXPECT_EQ(f.song->LoopEnd - f.song->LoopStart, 96);
}

TEST_F(RulerTest, LoopKeepsOneBeatOfALongBeat) {
    Form1& f = start();
    // 2/1: a beat of 192 ticks; 60 s at 80 give 3840 ticks.
    f.song->TimeSigCodes[0] = doc::TimeSigTextToCode("2/1");
    f.Command2_Click(6);
    f.Text1[1].SetText("60");
    f.Command2_Click(12);
    f.Picture1.SetWidth(1000);
    f.Check3[2].SetValue(1);
    f.RebuildTimeline();
    ASSERT_EQ(f.song->SongLength, 3840);
    f.Picture1_MouseDown(2, 1, 501, 0);  // 1923.84 → 1924 → the beat at 1920
    ASSERT_EQ(f.song->LoopEnd, 1920);
    // 1882, one beat of 96 before the end: 1824, whose nearest beat would be the end itself.
    f.Picture1_MouseDown(1, 1, 490, 0);
    EXPECT_EQ(f.song->LoopStart, 1728);
}

TEST_F(RulerTest, AltClickOnALoopMarker) {
    Form1& f = startShortSong();
    f.Check3[2].SetValue(1);
    f.RebuildTimeline();
    f.Picture1_MouseDown(1, 1, 500, 0);
    ASSERT_EQ(f.song->LoopStart, 1920);
    const double left = f.Label10[0].Left();
    f.Label10_MouseDown(0, 1, 0, 3, 0);  // without Alt: nothing
    EXPECT_EQ(f.song->LoopStart, 1920);
    f.Label10_MouseDown(0, 1, 4, 101 - left, 0);  // Alt: the ruler at x 101
    EXPECT_EQ(f.song->LoopStart, 384);
}

TEST_F(RulerTest, NoLocateWhileAChangePanelIsOpen) {
    Form1& f = startShortSong();
    cursorAt(f, 384);
    f.OpenChangePointAtCursor(1);
    ASSERT_EQ(f.PlayMode, 1);
    f.Picture1_MouseDown(1, 0, 500, 0);
    EXPECT_EQ(f.song->CursorTick, 384);
    f.Command2_Click(13);
    f.PlayMode = 5;
    f.Picture1_MouseDown(1, 0, 500, 0);
    EXPECT_EQ(f.song->CursorTick, 1920);
    EXPECT_EQ(f.PlayMode, 0);
}

TEST_F(RulerTest, PianoRollRulerLocatesInsideTheEditorWindow) {
    Form1& f = startShortSong();
    f.RollViewStart = 768;
    f.RollViewSpan = 1920;
    const double w = f.Picture8.Width();  // 903
    f.Picture11.SetTop(100);
    f.PlayMode = 5;
    // x 100 of 903 over 1920 ticks from 768: 980.62 → 981 → the grid of 48: 960.
    f.Picture8_MouseDown(1, 0, 100, 0);
    EXPECT_EQ(f.song->CursorTick, 960);
    EXPECT_EQ(f.PlayMode, 0);
    EXPECT_EQ(f.Picture11.Top(), -5000);
    EXPECT_NEAR(f.Line6.X1(), 192.0 / 1920 * w, 1e-9);
    EXPECT_NEAR(f.Line7.X1(), 192.0 / 1920 * w, 1e-9);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), 250);
    EXPECT_EQ(f.Label3[13].Caption(), "6");
    // Ctrl locates off the grid; other buttons do nothing.
    f.Picture8_MouseDown(1, 2, 100, 0);
    EXPECT_EQ(f.song->CursorTick, 981);
    EXPECT_EQ(f.Label3[14].Caption(), "1.4375");
    f.Picture8_MouseDown(2, 0, 400, 0);
    EXPECT_EQ(f.song->CursorTick, 981);
    // Never beyond the song end.
    f.RollViewStart = 3072;
    f.Picture8_MouseDown(1, 0, w, 0);
    EXPECT_EQ(f.song->CursorTick, 3840);
}

TEST_F(RulerTest, RulerShowsBarsAndMarkersAtItsWidth) {
    Form1& f = startShortSong();
    const QImage& ruler = f.Picture1.Canvas().Image();
    ASSERT_EQ(ruler.width(), 1000);
    // Bar lines every 50 pixels down to y 12, beat lines every 12.5 pixels down to y 6.
    EXPECT_LT(qGray(ruler.pixel(50, 10)), 128);
    EXPECT_LT(qGray(ruler.pixel(75, 3)), 128);
    EXPECT_GT(qGray(ruler.pixel(75, 9)), 128);
    EXPECT_GT(qGray(ruler.pixel(81, 3)), 128);
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(f.LabJP[i].Visible()) << i;
        EXPECT_FALSE(f.Labdh[i].Visible()) << i;
    }
}

TEST_F(RulerTest, ZoomKeepsTheCursorLineInPlace) {
    Form1& f = start();
    f.Picture1_MouseDown(1, 0, 512, 0);
    ASSERT_EQ(f.song->CursorTick, 5760);
    f.HScroll2.SetValue(2);
    EXPECT_EQ(f.Picture1.Width(), 2048);
    EXPECT_EQ(f.HScroll1.Max(), 1024);
    EXPECT_EQ(f.HScroll1.Value(), 512);
    EXPECT_EQ(f.Picture1.Left(), -512);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), 1024);
    EXPECT_DOUBLE_EQ(f.OverviewScale, 2048.0 / 11520);
    EXPECT_DOUBLE_EQ(f.Label14.Left(), 0);
    EXPECT_NEAR(f.Label14.Width(), 1536.0 / 11520 * 2048, 0.5);
    EXPECT_EQ(f.Picture1.Canvas().Image().width(), 2048);
    // A click on the wider ruler locates by its own width.
    f.Picture1_MouseDown(1, 0, 1024, 0);
    EXPECT_EQ(f.song->CursorTick, 5760);

    // The ruler end keeps the ruler on the screen: the cursor at the song end, seen at the
    // screen's right edge, would need the ruler to end 2048 pixels before it.
    f.Picture1_MouseDown(1, 0, 2048, 0);
    f.HScroll1.SetValue(1024);
    ASSERT_EQ(f.Picture1.Left() + f.Line4.X1(), 1024);
    f.HScroll2.SetValue(4);
    EXPECT_EQ(f.Picture1.Width(), 4096);
    EXPECT_EQ(f.Picture1.Left(), 1024 - 4096);
    // Zooming out with the cursor line beyond the screen's right edge keeps the ruler's start at
    // the window's left edge.
    f.HScroll1.SetValue(0);
    f.HScroll2.SetValue(2);
    EXPECT_EQ(f.Picture1.Left(), 0);
    EXPECT_EQ(f.HScroll1.Value(), 0);
    EXPECT_DOUBLE_EQ(f.Line4.X1(), 2048);
    f.HScroll1.SetValue(100);
    EXPECT_EQ(f.Picture1.Left(), -100);
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
    QTest::qWait(300);
    ASSERT_TRUE(f.grab().save(QString::fromLocal8Bit(target)));
}
