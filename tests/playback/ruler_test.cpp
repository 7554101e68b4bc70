#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/surface.h"
#include "playback/position.h"
#include "playback/ruler.h"
#include "playback/rulerdraw.h"
#include "support/text.h"

using namespace playback;

namespace {

// 60 s at 80 per minute: 3840 ticks, twenty 4/4 bars.
std::unique_ptr<doc::Song> MinuteSong(const char* timeSig = "4/4") {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->SongSeconds = 60;
    song->TimeSigCodes[0] = doc::TimeSigTextToCode(timeSig);
    doc::RebuildTimeline(*song, true);
    return song;
}

}  // namespace

TEST(PositionDisplay, BarBeatAndSecondsTexts) {
    auto song = MinuteSong();
    ASSERT_EQ(song->SongLength, 3840);
    const char* cases[][4] = {
        // tick, bar, beat, seconds
        {"0", "1", "1", "0.000"},
        {"72", "1", "2.5", "1.125"},
        {"16", "1", "1.33333333333333", "0.250"},  // a triplet position shows its fraction
    };
    for (auto& c : cases) {
        PositionDisplay d = PositionAt(*song, QString(c[0]).toInt());
        EXPECT_EQ(d.BarText, c[1]) << c[0];
        EXPECT_EQ(d.BeatText, c[2]) << c[0];
        EXPECT_EQ(d.SecondsText, c[3]) << c[0];
    }
    // Seconds round half away from zero: 1 tick at 160 per minute is 0.0078125 s.
    song->TempoChangeBpm[0] = 160;
    doc::RebuildTimeline(*song, true);
    EXPECT_EQ(PositionAt(*song, 1).SecondsText, "0.008");
}

TEST(PositionDisplay, FollowsTheChangesInForce) {
    auto song = MinuteSong();
    song->TimeSigLastIndex = 1;
    song->TimeSigTicks[1] = 384;
    song->TimeSigCodes[1] = doc::TimeSigTextToCode("3/4");
    song->TempoLastIndex = 1;
    song->TempoChangeTicks[1] = 576;
    song->TempoChangeBpm[1] = 120;
    song->KeyChangeLastIndex = 1;
    song->KeyChangeTicks[1] = 384;
    song->KeyChangeKeys[1] = -3;
    doc::RebuildTimeline(*song, true);

    // 216 ticks into 3/4 from bar number 2: one whole 144-tick bar, then 72 ticks (a beat and a half).
    PositionDisplay d = PositionAt(*song, 600);
    EXPECT_EQ(d.BarText, "4");
    EXPECT_EQ(d.BeatText, "2.5");
    EXPECT_EQ(d.TimeSigText, "3/4");
    EXPECT_EQ(d.TempoText, "120");
    EXPECT_EQ(d.CurrentTempoIndex, 1);
    EXPECT_EQ(d.KeyText, QString::fromUtf8("低A 调  (+9)"));
    // 576 ticks at 80 per minute, then 24 at 120.
    EXPECT_EQ(d.SecondsText, "9.250");

    d = PositionAt(*song, 383);
    EXPECT_EQ(d.TimeSigText, "4/4");
    EXPECT_EQ(d.BarText, "2");
    EXPECT_EQ(d.KeyText, QString::fromUtf8("C 调  (+0)"));
}

TEST(PositionDisplay, TrackPageMarkAndLastBeatBox) {
    EXPECT_EQ(TrackPageMarkTick(100, 100), 484);
    EXPECT_EQ(TrackPageMarkTick(0, 7), 5486);  // 5485.71 rounded
    std::vector<int32_t> boxes{0, 48, 96, 144};
    EXPECT_EQ(LastBeatBoxAtOrBefore(boxes, 96), 2);
    EXPECT_EQ(LastBeatBoxAtOrBefore(boxes, 5000), 3);
    EXPECT_EQ(LastBeatBoxAtOrBefore({192, 240}, 100), -1);
    EXPECT_EQ(LastBeatBoxAtOrBefore({}, 100), -1);
}

TEST(SongRuler, ClickLocatesTheSnappedTick) {
    auto song = MinuteSong();
    ASSERT_EQ(song->SongLength, 3840);
    // 101 / 1000 × 3840 = 387.84 -> 388 -> 384 on the 48-tick grid.
    song->CursorTick = SongRulerClickTick(*song, 101, 1000, 48);
    EXPECT_EQ(song->CursorTick, 384);
    PositionDisplay d = PositionAt(*song, song->CursorTick);
    EXPECT_EQ(d.BarText, "3");
    EXPECT_EQ(d.BeatText, "1");
    EXPECT_EQ(d.TimeSigText, "4/4");
    EXPECT_EQ(d.TempoText, "80");
    EXPECT_EQ(d.KeyText, QString::fromUtf8("C 调  (+0)"));
    EXPECT_EQ(d.SecondsText, "6.000");
    EXPECT_EQ(SongRulerClickTick(*song, 999, 1000, 48), 3840);
    EXPECT_EQ(TickToRulerX(*song, 384, 1000), 100);

    // The cursor never passes the song end, even where the grid would round it up.
    song = MinuteSong("3/4");
    ASSERT_EQ(song->SongLength, 3744);  // 3840 cut back to its 144-tick bar
    EXPECT_EQ(SongRulerClickTick(*song, 1000, 1000, 192), 3744);
    EXPECT_EQ(SongRulerClickTick(*song, 1200, 1000, 48), 3744);
    EXPECT_EQ(SongRulerClickTick(*song, -5, 1000, 48), 0);
}

TEST(SongRuler, GridSnapRoundsHalvesToEven) {
    EXPECT_EQ(SnapToRulerGrid(24, 48), 48);
    EXPECT_EQ(SnapToRulerGrid(23, 48), 0);
    // A 21-tick grid: 11 is nearer 21, 10 nearer 0.
    EXPECT_EQ(SnapToRulerGrid(11, 21), 21);
    EXPECT_EQ(SnapToRulerGrid(10, 21), 0);
    // The odd grids give the nearest multiple too.
    EXPECT_EQ(SnapToRulerGrid(4, 3), 3);
    EXPECT_EQ(SnapToRulerGrid(5, 3), 6);
    EXPECT_EQ(SnapToRulerGrid(7, 1), 7);
}

TEST(SongRuler, WhatAClickDoes) {
    using A = RulerAction;
    using M = doc::PlayMode;
    struct Case { int button, shift; M playMode; bool loopOn, roll; A action; M newMode; };
    const Case cases[] = {
        {1, 1, M::Idle, true, false, A::SetLoopStart, M::Idle},  // modified clicks set the loop while it is on
        {2, 1, M::Idle, true, false, A::SetLoopEnd, M::Idle},
        {1, 2, M::Idle, false, false, A::None, M::Idle},  // Ctrl, loop off
        {4, 1, M::Idle, true, false, A::None, M::Idle},
        {1, 0, M::ChangePanel, true, false, A::None, M::ChangePanel},
        {1, 0, M::Stopped, false, false, A::Locate, M::Idle},  // a stopped song becomes idle
        {2, 0, M::Idle, false, false, A::None, M::Idle},
        {1, 0, M::Playing, false, false, A::StopAndReplay, M::Idle},
        {2, 0, M::Playing, false, true, A::PlaceEditorBox, M::Playing},  // piano roll shown: place the editor window
    };
    for (const Case& c : cases) {
        RulerClick r = DecideSongRulerClick(c.button, c.shift, c.playMode, c.loopOn, c.roll);
        EXPECT_EQ(r.Action, c.action) << c.button << " " << c.shift << " " << int(c.playMode);
        if (c.action != A::None) { EXPECT_EQ(r.PlayMode, c.newMode) << c.button << " " << int(c.playMode); }
    }
}

TEST(SongRuler, LoopPointsFromShiftClicks) {
    auto song = MinuteSong();
    ASSERT_EQ(song->LoopStart, 0);
    ASSERT_EQ(song->LoopEnd, 3840);
    // At the very end: SongLength − 96, on a beat.
    song->LoopStart = LoopStartAt(*song, 1000, 1000);
    EXPECT_EQ(song->LoopStart, 3744);
    EXPECT_EQ(LoopStartMarkerLeft(*song, 1000), 3744.0 / 3840 * 1000 - 3);

    song->LoopStart = 0;
    song->LoopEnd = LoopEndAt(*song, 0, 1000);
    EXPECT_EQ(song->LoopEnd, 96);
    EXPECT_EQ(LoopEndMarkerLeft(*song, 1000), 25 - 18);

    // The end keeps 96 ticks after the start before its beat snap: 1000 + 96 -> 1104.
    song->LoopStart = 1000;
    EXPECT_EQ(LoopEndAt(*song, 0, 1000), 1104);
    // The start keeps 96 ticks before the end: 1904 -> beat 1920.
    song->LoopEnd = 2000;
    EXPECT_EQ(LoopStartAt(*song, 900, 1000), 1920);
    // An ordinary click: 250 / 1000 × 3840 = 960, on a beat.
    EXPECT_EQ(LoopStartAt(*song, 250, 1000), 960);

    // With long beats the loop still keeps at least one beat.
    song = MinuteSong("1/1");  // one 192-tick beat per bar
    ASSERT_EQ(song->LoopEnd, 3840);
    // 3744 lies half a beat before the end; its nearest beat would be the loop end itself.
    EXPECT_EQ(LoopStartAt(*song, 1000, 1000), 3648);
    // An end 96 ticks after an off-beat start would snap 92 ticks after it.
    song->LoopStart = 100;
    EXPECT_EQ(LoopEndAt(*song, 0, 1000), 384);
    song->LoopStart = 0;
    EXPECT_EQ(LoopEndAt(*song, 0, 1000), 192);
}

TEST(PianoRollRuler, LocatesWithinTheEditorWindow) {
    auto song = MinuteSong();
    // 50 × 1536 / 1000 + 0 = 76.8 -> 77 -> 96 on the grid; Ctrl leaves 77.
    EXPECT_EQ(RollRulerClickTick(*song, 50, 1000, 0, 1536, 48, 0), 96);
    EXPECT_EQ(RollRulerClickTick(*song, 50, 1000, 0, 1536, 48, 2), 77);
    EXPECT_EQ(RollRulerClickTick(*song, 50, 1000, 768, 1536, 48, 0), 864);
    // Never beyond the song end.
    EXPECT_EQ(RollRulerClickTick(*song, 990, 1000, 3072, 1536, 48, 2), 3840);

    EXPECT_EQ(DecideRollRulerClick(1, doc::PlayMode::Stopped).PlayMode, doc::PlayMode::Idle);
    EXPECT_EQ(DecideRollRulerClick(2, doc::PlayMode::Stopped).Action, RulerAction::None);
    RulerClick c = DecideRollRulerClick(1, doc::PlayMode::Playing);
    EXPECT_EQ(c.Action, RulerAction::StopAndReplay);
    EXPECT_EQ(c.PlayMode, doc::PlayMode::Idle);
}

TEST(SongRuler, EditorBoxPlacementAndZoom) {
    EXPECT_EQ(EditorBoxLeftAt(2, 300, 100, 1000), 200);
    EXPECT_EQ(EditorBoxLeftAt(4, 300, 100, 1000), 250);
    EXPECT_EQ(EditorBoxLeftAt(1, 950, 100, 1000), 900);
    EXPECT_EQ(EditorBoxLeftAt(2, 50, 100, 1000), 0);

    // Zooming keeps the cursor line in place.
    auto song = MinuteSong();
    song->CursorTick = 1920;
    RulerZoom z = ZoomSongRuler(*song, 1000, 3, 0, 500, 0, 1536);
    EXPECT_EQ(z.RulerWidth, 3000);
    EXPECT_EQ(z.ScrollMax, 2000);
    EXPECT_EQ(z.ScrollValue, 1000);  // the cursor at 1500 on the ruler stays at 500 on the screen
    EXPECT_EQ(z.EditorBoxLeft, 0);
    EXPECT_EQ(z.EditorBoxWidth, 1200);

    // The ruler's ends stay on the screen.
    song->CursorTick = 3840;
    EXPECT_EQ(ZoomSongRuler(*song, 1000, 3, 0, 900, 0, 1536).ScrollValue, 2000);
    song->CursorTick = 0;
    EXPECT_EQ(ZoomSongRuler(*song, 1000, 3, -500, 500, 0, 1536).ScrollValue, 0);
    // Back to one screen width.
    song->CursorTick = 1920;
    z = ZoomSongRuler(*song, 1000, 1, -1000, 1500, 768, 1536);
    EXPECT_EQ(z.ScrollValue, 0);
    EXPECT_EQ(z.EditorBoxLeft, 200);
    EXPECT_EQ(z.EditorBoxWidth, 200);
}

TEST(RulerDrawing, BarAndBeatLinesAndNumbers) {
    auto song = MinuteSong();
    vb::RecordingSurface s(1000, 36);
    doc::RulerMarks marks = DrawSongRuler(s, *song, 1000);
    const QStringList& log = s.Log();
    ASSERT_GE(log.size(), 6);
    // Cleared first; the first bar line, its number 8 units to its left at the line's lower end,
    // then the beat lines of the bar (a quarter is 12.5 units).
    EXPECT_EQ(log[0], "Cls");
    EXPECT_EQ(log[1], "Line 0,0-0,12 colour=&H0");
    EXPECT_EQ(log[2], QString::fromUtf8("Print -8,12 \" 1 \" font=宋体 9"));
    EXPECT_EQ(log[3], "Line 12.5,0-12.5,6 colour=&H0");
    // Bar 2 at x 50: its number would stand only 50 units after bar 1's, so it is left out.
    EXPECT_EQ(log[6], "Line 50,0-50,12 colour=&H0");

    // 21 bar lines (the song end included) and 3 beat lines in each of the 20 bars.
    EXPECT_EQ(Matching(log, "Line").size(), 81);
    EXPECT_EQ(Matching(log, "Line 1000,0-1000,12").size(), 1);
    // Every other bar is numbered, each at y 12 although the print before it moved down a line.
    QStringList prints = Matching(log, "Print");
    ASSERT_EQ(prints.size(), 11);
    EXPECT_EQ(prints[10], QString::fromUtf8("Print 992,12 \" 21 \" font=宋体 9"));
    EXPECT_EQ(marks.numbers.size(), 11u);
}

// A meter of no bar length (0 beats a bar): beat lines only, no number; the position shows no bar.
TEST(RulerDrawing, AMeterWithoutBarsDrawsBeatLinesOnly) {
    auto song = MinuteSong();
    song->TimeSigCodes[0] = 3 * 32;  // quarter beats, none a bar
    vb::RecordingSurface s(1000, 36);
    DrawSongRuler(s, *song, 1000);
    const QStringList lines = Matching(s.Log(), "Line");
    ASSERT_EQ(lines.size(), 81);  // ticks 0, 48, ... 3840, 12.5 units apart
    EXPECT_EQ(lines[0], "Line 0,0-0,6 colour=&H0");
    EXPECT_EQ(lines[1], "Line 12.5,0-12.5,6 colour=&H0");
    EXPECT_EQ(lines[80], "Line 1000,0-1000,6 colour=&H0");
    EXPECT_TRUE(Matching(s.Log(), "Print").isEmpty());
    const PositionDisplay d = PositionAt(*song, 72);
    EXPECT_EQ(d.BarText, "");
    EXPECT_EQ(d.BeatText, "");
    EXPECT_EQ(d.SecondsText, "1.125");
}

TEST(RulerDrawing, NumbersUseTheSurfacesFontAndAllBarsCount) {
    auto song = MinuteSong();
    vb::RecordingSurface s(4000, 36);
    s.SetFontName(QString::fromUtf8("黑体"));
    s.SetFontSize(12);
    DrawSongRuler(s, *song, 4000);  // 200 units a bar: every bar numbered
    QStringList prints = Matching(s.Log(), "Print");
    ASSERT_EQ(prints.size(), 21);
    EXPECT_EQ(prints[4], QString::fromUtf8("Print 792,12 \" 5 \" font=黑体 12"));
}

TEST(RulerDrawing, RedrawingStartsAfresh) {
    auto song = MinuteSong();
    vb::RecordingSurface s(1000, 36);
    DrawSongRuler(s, *song, 1000);
    const QStringList first = s.Log();
    s.SetCurrentX(500);
    s.SetCurrentY(30);
    DrawSongRuler(s, *song, 1000);
    QStringList second = s.Log().mid(first.size());
    EXPECT_EQ(second, first);
}
