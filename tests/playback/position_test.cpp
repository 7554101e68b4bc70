#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "playback/position.h"

using namespace playback;

namespace {

// 60 s at 80 per minute: 3840 ticks, twenty 4/4 bars.
std::unique_ptr<doc::Song> MinuteSong() {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->SongSeconds = 60;
    doc::RebuildTimeline(*song, true);
    return song;
}

}  // namespace

TEST(PositionDisplay, ThirdBarOfANewSong) {
    auto song = MinuteSong();
    ASSERT_EQ(song->SongLength, 3840);
    PositionDisplay d = PositionAt(*song, 384);
    EXPECT_EQ(d.BarText, "3");
    EXPECT_EQ(d.BeatText, "1");
    EXPECT_EQ(d.TimeSigText, "4/4");
    EXPECT_EQ(d.TempoText, "80");
    EXPECT_EQ(d.KeyText, QString::fromUtf8("C 调  (+0)"));
    EXPECT_EQ(d.SecondsText, "6.000");
    EXPECT_DOUBLE_EQ(d.CursorSeconds, 6.0);
    EXPECT_EQ(d.CursorTimeSig, 100);
    EXPECT_DOUBLE_EQ(d.CurrentTempo, 80.0);
    EXPECT_EQ(d.CurrentTempoIndex, 0);
    EXPECT_EQ(d.CurrentKey, 0);
}

TEST(PositionDisplay, BetweenBeats) {
    auto song = MinuteSong();
    PositionDisplay d = PositionAt(*song, 72);
    EXPECT_EQ(d.BarText, "1");
    EXPECT_EQ(d.BeatText, "2.5");
    EXPECT_EQ(d.SecondsText, "1.125");
    d = PositionAt(*song, 0);
    EXPECT_EQ(d.BarText, "1");
    EXPECT_EQ(d.BeatText, "1");
    EXPECT_EQ(d.SecondsText, "0.000");
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
    EXPECT_EQ(d.CursorTimeSig, doc::TimeSigTextToCode("3/4"));
    EXPECT_EQ(d.TempoText, "120");
    EXPECT_EQ(d.CurrentTempoIndex, 1);
    EXPECT_EQ(d.CurrentKey, -3);
    EXPECT_EQ(d.KeyText, QString::fromUtf8("低A 调  (+9)"));
    // 576 ticks at 80 per minute, then 24 at 120.
    EXPECT_DOUBLE_EQ(d.CursorSeconds, 9.25);
    EXPECT_EQ(d.SecondsText, "9.250");

    d = PositionAt(*song, 383);
    EXPECT_EQ(d.TimeSigText, "4/4");
    EXPECT_EQ(d.BarText, "2");
    EXPECT_EQ(d.KeyText, QString::fromUtf8("C 调  (+0)"));
    EXPECT_EQ(d.TempoText, "80");
}

TEST(PositionDisplay, TripletPositionsShowTheirFraction) {
    auto song = MinuteSong();
    PositionDisplay d = PositionAt(*song, 16);
    EXPECT_EQ(d.BeatText, "1.33333333333333");
    EXPECT_EQ(d.SecondsText, "0.250");
}

TEST(PositionDisplay, SecondsRoundHalfAwayFromZero) {
    auto song = MinuteSong();
    song->TempoChangeBpm[0] = 160;
    song->SongSeconds = 120;
    doc::RebuildTimeline(*song, true);
    // 1 tick at 160 per minute is 0.0078125 s.
    EXPECT_EQ(PositionAt(*song, 1).SecondsText, "0.008");
}

TEST(PositionDisplay, TrackPageMark) {
    EXPECT_EQ(TrackPageMarkTick(100, 100), 484);
    EXPECT_EQ(TrackPageMarkTick(0, 300), 128);
    EXPECT_EQ(TrackPageMarkTick(0, 7), 5486);  // 5485.71 rounded
}

TEST(PositionDisplay, LastBeatBox) {
    std::vector<int32_t> boxes{0, 48, 96, 144};
    EXPECT_EQ(LastBeatBoxAtOrBefore(boxes, 100), 2);
    EXPECT_EQ(LastBeatBoxAtOrBefore(boxes, 96), 2);
    EXPECT_EQ(LastBeatBoxAtOrBefore(boxes, 5000), 3);
    EXPECT_EQ(LastBeatBoxAtOrBefore({192, 240}, 100), -1);
    EXPECT_EQ(LastBeatBoxAtOrBefore({}, 100), -1);
}
