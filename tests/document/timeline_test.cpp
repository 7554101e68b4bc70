#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/songs.h"

#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"

using namespace doc;

namespace {

void AddTimeSig(Song& song, int32_t tick, const char* text) {
    int i = ++song.TimeSigLastIndex;
    song.TimeSigTicks[i] = tick;
    song.TimeSigCodes[i] = TimeSigTextToCode(text);
}

void AddTempo(Song& song, int32_t tick, float bpm) {
    int i = ++song.TempoLastIndex;
    song.TempoChangeTicks[i] = tick;
    song.TempoChangeBpm[i] = bpm;
}

void AddKey(Song& song, int32_t tick, int key) {
    int i = ++song.KeyChangeLastIndex;
    song.KeyChangeTicks[i] = tick;
    song.KeyChangeKeys[i] = int16_t(key);
}
}  // namespace

TEST(TempoMap, SongLengthRoundsUpToAQuarterAndBackToItsBar) {
    auto song = testsongs::NewSong();
    song->SongSeconds = 10;  // 640 ticks -> 672 -> bar start 576
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->SongLength, 576);
    EXPECT_DOUBLE_EQ(song->TempoMapSeconds[1], 9.0);
    // Too short for one bar: one bar is kept.
    song->SongSeconds = 1;
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->SongLength, 192);
    song->TimeSigCodes[0] = TimeSigTextToCode("6/8");
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->SongLength, 144);
}

TEST(TempoMap, TempoChangeSegments) {
    auto song = testsongs::NewSong();
    AddTempo(*song, 1920, 120);
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->SongLength, 16320);
    EXPECT_DOUBLE_EQ(TickToSeconds(*song, 1920), 30.0);
    EXPECT_DOUBLE_EQ(TickToSeconds(*song, 2400), 35.0);
    // Beyond the end the last tempo goes on.
    EXPECT_DOUBLE_EQ(TickToSeconds(*song, 16320 + 96), 181.0);
}

TEST(TempoMap, ChangesAreSortedRoundedAndDroppedAtTheEnd) {
    auto song = testsongs::NewSong();
    AddTempo(*song, 3840, 60);
    AddTempo(*song, 1920, 92.12345f);
    AddTempo(*song, 11520, 100);
    // The song ends exactly where the change at 3840 lies: that change and the later one drop out.
    song->SongSeconds = 30 + 1920 / 92.123 * 1.25;
    RebuildTimeline(*song, true);
    EXPECT_FLOAT_EQ(song->TempoChangeBpm[1], 92.123f);
    EXPECT_EQ(song->TempoLastIndex, 1);
    EXPECT_EQ(song->TempoChangeTicks[2], 3840);  // still in the arrays, out of use
    EXPECT_EQ(song->SongLength, 3840);
}

TEST(TempoMap, StaysInsideItsArraysWhateverTheInput) {
    // A full tempo list and song lengths beyond the end sentinel or beyond any number: the
    // sentinel always ends the map and the song never outgrows the longest one (600 s at 180).
    for (double seconds : {1e7, 1e300, std::numeric_limits<double>::infinity()}) {
        auto song = testsongs::NewSong();
        for (int k = 1; k <= 40; ++k) AddTempo(*song, 96 * k, 180);
        song->SongSeconds = seconds;
        RebuildTimeline(*song, true);
        EXPECT_EQ(song->TempoLastIndex, 40) << seconds;
        EXPECT_EQ(song->SongLength, kMaxSongTicks) << seconds;
        EXPECT_EQ(song->TempoMapTicks[41], kMaxSongTicks) << seconds;
        EXPECT_EQ(ComputeRulerMarks(*song, 800).tempos.size(), 40u) << seconds;
    }
}

TEST(Meter, TimeSignatureChangesMoveOntoBarLines) {
    auto song = testsongs::NewSong();
    AddTimeSig(*song, 204, "3/4");
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->TimeSigTicks[1], 384);
    EXPECT_EQ(song->TimeSigBarNumbers[1], 2);

    song = testsongs::NewSong();
    AddTimeSig(*song, 192, "3/4");
    AddTimeSig(*song, 192, "6/8");
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->TimeSigTicks[1], 192);
    EXPECT_EQ(song->TimeSigBarNumbers[1], 1);
    EXPECT_EQ(song->TimeSigCodes[1], 99);
    // The second at the same bar line lands one 3/4 bar later.
    EXPECT_EQ(song->TimeSigTicks[2], 336);
    EXPECT_EQ(song->TimeSigBarNumbers[2], 2);
    int16_t offset = -1;
    EXPECT_EQ(GetBarPosition(*song, 336 + 144 + 30, offset), 3);
    EXPECT_EQ(offset, 30);
}

TEST(Meter, BeatQueries) {
    auto song = testsongs::NewSong();
    RebuildTimeline(*song, true);
    EXPECT_EQ(GetNearestBeatTick(*song, 23), 0);
    EXPECT_EQ(GetNearestBeatTick(*song, 24), 48);
    EXPECT_EQ(GetNextBeatTick(*song, 48), 96);
    EXPECT_EQ(GetNextBeatTick(*song, 47), 48);
    int16_t offset = -1;
    EXPECT_EQ(GetBarPosition(*song, 200, offset), 1);
    EXPECT_EQ(offset, 8);
    EXPECT_EQ(IsOnBarline(*song, 192), -1);
    EXPECT_EQ(IsOnBarline(*song, 96), 0);
    EXPECT_EQ(IsOnBeat(*song, 200), 0);
    EXPECT_EQ(IsOnBeat(*song, 240), -1);

    song->TimeSigCodes[0] = TimeSigTextToCode("6/8");
    RebuildTimeline(*song, true);
    EXPECT_EQ(GetNearestBeatTick(*song, 11), 0);
    EXPECT_EQ(GetNearestBeatTick(*song, 12), 24);
    EXPECT_EQ(IsOnBarline(*song, 144), -1);

    // After a change the queries follow it.
    song->TimeSigCodes[0] = 100;
    AddTimeSig(*song, 384, "6/8");
    RebuildTimeline(*song, true);
    EXPECT_EQ(GetBarPosition(*song, 384 + 144 + 24, offset), 3);
    EXPECT_EQ(offset, 24);
    EXPECT_EQ(GetNextBeatTick(*song, 384), 408);
    EXPECT_EQ(GetNearestBeatTick(*song, 383), 384);
}

TEST(ChangeLists, SortedBeforeTheEntriesBeyondTheEndAreDropped) {
    auto song = testsongs::NewSong();
    AddTimeSig(*song, 20000, "3/4");
    AddTimeSig(*song, 960, "6/8");
    AddKey(*song, 20000, 2);
    AddKey(*song, 1920, -3);
    AddKey(*song, 960, 7);
    RebuildTimeline(*song, true);
    ASSERT_EQ(song->KeyChangeLastIndex, 2);
    EXPECT_EQ(song->KeyChangeTicks[1], 960);
    EXPECT_EQ(song->KeyChangeKeys[1], 7);
    EXPECT_EQ(song->KeyChangeTicks[2], 1920);
    EXPECT_EQ(song->KeyChangeKeys[2], -3);
    EXPECT_EQ(song->TimeSigLastIndex, 1);
    EXPECT_EQ(song->TimeSigTicks[1], 960);
}

TEST(LoopAndCursor, ClampedToTheSongAndAParkedLoopKeepsItsEnd) {
    auto song = testsongs::NewSong();
    song->CursorTick = 50000;
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->LoopEnd, 11520);
    EXPECT_EQ(song->CursorTick, 11520);

    song = testsongs::NewSong();
    song->LoopStart = 20000;
    song->LoopEnd = 1000;
    RebuildTimeline(*song, false);
    EXPECT_EQ(song->LoopStart, 11520);
    EXPECT_EQ(song->LoopEnd, 1000 + kLoopParkOffset);
    RebuildTimeline(*song, false);  // switched off: the end stays parked across rebuilds
    EXPECT_EQ(song->LoopEnd, 1000 + kLoopParkOffset);
    song->SongSeconds = 10;
    RebuildTimeline(*song, false);
    EXPECT_EQ(song->LoopEnd, 576 + kLoopParkOffset);
}

TEST(Ruler, MarksOfANewSong) {
    auto song = testsongs::NewSong();
    RebuildTimeline(*song, true);
    song->CursorTick = 1152;
    song->LoopStart = 192;
    RulerMarks marks = ComputeRulerMarks(*song, 600);  // 10 units a bar
    int bars = 0, beats = 0;
    for (const RulerLine& l : marks.lines) (l.height == 12 ? bars : beats)++;
    EXPECT_EQ(bars, 61);  // the end of the song counts as a bar line
    EXPECT_EQ(beats, 180);
    ASSERT_EQ(marks.numbers.size(), 7u);
    EXPECT_EQ(marks.numbers[1].number, 11);
    EXPECT_DOUBLE_EQ(marks.numbers[1].x, 92);
    EXPECT_EQ(marks.numbers[6].number, 61);
    EXPECT_DOUBLE_EQ(marks.cursorX, 60);
    EXPECT_DOUBLE_EQ(marks.loopStartLeft, 7);
    EXPECT_DOUBLE_EQ(marks.loopEndLeft, 582);
}

TEST(Ruler, ChangeMarkersAndSegments) {
    auto song = testsongs::NewSong();
    AddTimeSig(*song, 192, "6/8");
    AddTempo(*song, 960, 92.5f);
    AddKey(*song, 1920, -3);
    RebuildTimeline(*song, true);
    RulerMarks marks = ComputeRulerMarks(*song, song->SongLength);  // one unit a tick
    ASSERT_EQ(marks.timeSigs.size(), 1u);
    EXPECT_EQ(marks.timeSigs[0].caption, "6/8");
    ASSERT_EQ(marks.tempos.size(), 1u);
    EXPECT_EQ(marks.tempos[0].caption, "92.5");
    ASSERT_EQ(marks.keys.size(), 1u);
    EXPECT_EQ(marks.keys[0].caption, QString::fromUtf8("低A "));
    // After the 6/8 change the lines follow its 24-tick beats and 144-tick bars.
    std::vector<double> firstLines;
    for (const RulerLine& l : marks.lines)
        if (l.x >= 192 && l.x <= 336) firstLines.push_back(l.x * 100 + l.height);
    std::vector<double> expected = {19212, 21606, 24006, 26406, 28806, 31206, 33612};
    EXPECT_EQ(firstLines, expected);
}
