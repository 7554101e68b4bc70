#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "playback/position.h"
#include "playback/ruler.h"

using namespace playback;

namespace {

std::unique_ptr<doc::Song> MinuteSong(const char* timeSig = "4/4") {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->SongSeconds = 60;
    song->TimeSigCodes[0] = doc::TimeSigTextToCode(timeSig);
    doc::RebuildTimeline(*song, true);
    return song;
}

}  // namespace

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

    EXPECT_EQ(SongRulerClickTick(*song, 0, 1000, 48), 0);
    EXPECT_EQ(SongRulerClickTick(*song, 999, 1000, 48), 3840);
    EXPECT_EQ(SongRulerClickTick(*song, 1000, 1000, 48), 3840);
    EXPECT_EQ(TickToRulerX(*song, 384, 1000), 100);
}

TEST(SongRuler, TheCursorNeverPassesTheSongEnd) {
    auto song = MinuteSong("3/4");
    ASSERT_EQ(song->SongLength, 3744);  // 3840 cut back to its 144-tick bar
    // A whole-note grid would round the end up to 3840.
    EXPECT_EQ(SongRulerClickTick(*song, 1000, 1000, 192), 3744);
    EXPECT_EQ(SongRulerClickTick(*song, 1200, 1000, 48), 3744);
    EXPECT_EQ(SongRulerClickTick(*song, -5, 1000, 48), 0);
}

TEST(SongRuler, GridSnapRoundsHalvesToEven) {
    EXPECT_EQ(SnapToRulerGrid(388, 48), 384);
    EXPECT_EQ(SnapToRulerGrid(24, 48), 48);
    EXPECT_EQ(SnapToRulerGrid(23, 48), 0);
    // A 21-tick grid: 10.5 + 0 -> 10 (even) -> 0; 10.5 + 11 = 21.5 -> 22 -> 21; 10.5 + 10 -> 20 -> 0.
    EXPECT_EQ(SnapToRulerGrid(0, 21), 0);
    EXPECT_EQ(SnapToRulerGrid(11, 21), 21);
    EXPECT_EQ(SnapToRulerGrid(10, 21), 0);
}

TEST(SongRuler, WhatAClickDoes) {
    using A = RulerAction;
    // Modified clicks set the loop, only while the loop is on.
    EXPECT_EQ(DecideSongRulerClick(1, 1, 0, true, false).Action, A::SetLoopStart);
    EXPECT_EQ(DecideSongRulerClick(2, 1, 0, true, false).Action, A::SetLoopEnd);
    EXPECT_EQ(DecideSongRulerClick(1, 2, 0, false, false).Action, A::None);  // Ctrl, loop off
    EXPECT_EQ(DecideSongRulerClick(4, 1, 0, true, false).Action, A::None);
    // A change panel is open: nothing.
    EXPECT_EQ(DecideSongRulerClick(1, 0, 1, true, false).Action, A::None);
    // Locate; a stopped song becomes idle.
    RulerClick c = DecideSongRulerClick(1, 0, 5, false, false);
    EXPECT_EQ(c.Action, A::Locate);
    EXPECT_EQ(c.PlayMode, 0);
    EXPECT_EQ(DecideSongRulerClick(2, 0, 0, false, false).Action, A::None);
    // While playing: stop and replay the click.
    c = DecideSongRulerClick(1, 0, 6, false, false);
    EXPECT_EQ(c.Action, A::StopAndReplay);
    EXPECT_EQ(c.PlayMode, 0);
    // With the piano roll shown the click places the editor window, playing or not.
    EXPECT_EQ(DecideSongRulerClick(2, 0, 6, false, true).Action, A::PlaceEditorBox);
    EXPECT_EQ(DecideSongRulerClick(4, 0, 0, false, true).Action, A::PlaceEditorBox);
    EXPECT_EQ(DecideSongRulerClick(1, 0, 6, false, true).PlayMode, 6);
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
}

TEST(SongRuler, LoopKeepsAtLeastOneBeatWithLongBeats) {
    auto song = MinuteSong("1/1");  // one 192-tick beat per bar
    ASSERT_EQ(song->SongLength, 3840);
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

    EXPECT_EQ(DecideRollRulerClick(1, 0).Action, RulerAction::Locate);
    EXPECT_EQ(DecideRollRulerClick(1, 5).PlayMode, 0);
    EXPECT_EQ(DecideRollRulerClick(2, 5).Action, RulerAction::None);
    EXPECT_EQ(DecideRollRulerClick(2, 5).PlayMode, 0);
    RulerClick c = DecideRollRulerClick(1, 6);
    EXPECT_EQ(c.Action, RulerAction::StopAndReplay);
    EXPECT_EQ(c.PlayMode, 0);
}

TEST(SongRuler, EditorBoxPlacement) {
    EXPECT_EQ(EditorBoxLeftAt(1, 300, 100, 1000), 300);
    EXPECT_EQ(EditorBoxLeftAt(2, 300, 100, 1000), 200);
    EXPECT_EQ(EditorBoxLeftAt(4, 300, 100, 1000), 250);
    EXPECT_EQ(EditorBoxLeftAt(1, 950, 100, 1000), 900);
    EXPECT_EQ(EditorBoxLeftAt(2, 50, 100, 1000), 0);
}

TEST(SongRuler, ZoomKeepsTheCursorLineInPlace) {
    auto song = MinuteSong();
    song->CursorTick = 1920;
    RulerZoom z = ZoomSongRuler(*song, 1000, 3, 0, 500, 0, 1536);
    EXPECT_EQ(z.RulerWidth, 3000);
    EXPECT_EQ(z.ScrollMax, 2000);
    EXPECT_EQ(z.ScrollValue, 1000);  // the cursor at 1500 on the ruler stays at 500 on the screen
    EXPECT_EQ(z.EditorBoxLeft, 0);
    EXPECT_EQ(z.EditorBoxWidth, 1200);
    EXPECT_DOUBLE_EQ(z.OverviewScale, 3000.0 / 3840);

    // The ruler's ends stay on the screen.
    song->CursorTick = 3840;
    EXPECT_EQ(ZoomSongRuler(*song, 1000, 3, 0, 900, 0, 1536).ScrollValue, 2000);
    song->CursorTick = 0;
    EXPECT_EQ(ZoomSongRuler(*song, 1000, 3, -500, 500, 0, 1536).ScrollValue, 0);
    // Back to one screen width.
    song->CursorTick = 1920;
    z = ZoomSongRuler(*song, 1000, 1, -1000, 1500, 768, 1536);
    EXPECT_EQ(z.RulerWidth, 1000);
    EXPECT_EQ(z.ScrollMax, 0);
    EXPECT_EQ(z.ScrollValue, 0);
    EXPECT_EQ(z.EditorBoxLeft, 200);
    EXPECT_EQ(z.EditorBoxWidth, 200);
}
