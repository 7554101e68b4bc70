#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/timeline.h"

using namespace doc;

TEST(NewSong, FivePartsInFourFourAtEightyInC) {
    auto song = Song::create();
    NewProject(*song);
    ASSERT_EQ(song->PartCount, 5);
    const char* names[] = {"领唱", "女高", "女低", "男高", "男低"};
    for (int p = 1; p <= 5; ++p) {
        EXPECT_EQ(song->Parts[p].Name, QString::fromUtf8(names[p - 1]));
        EXPECT_EQ(song->Parts[p].StripTopPitch, 80 - 4 * p);
        EXPECT_EQ(song->Parts[p].StripTop, (p - 1) * 120);
    }
    EXPECT_EQ(song->TimeSigCodes[0], 100);
    EXPECT_FLOAT_EQ(song->TempoChangeBpm[0], 80);
    EXPECT_EQ(song->KeyChangeKeys[0], 0);
    RebuildTimeline(*song, true);
    EXPECT_EQ(song->SongLength, 11520);
    EXPECT_EQ(song->TempoLastIndex, 0);
    EXPECT_DOUBLE_EQ(song->TempoMapSeconds[1], 180.0);
    EXPECT_DOUBLE_EQ(song->TempoMapTicks[1], 11520);
    EXPECT_DOUBLE_EQ(TickToSeconds(*song, 96), 1.5);
}

TEST(NewSong, ReplacesAnOldSongInPlace) {
    auto song = Song::create();
    song->PartCount = 7;
    for (int p = 1; p <= 7; ++p) {
        song->Parts[p].NoteCount = 12;
        song->Parts[p].Name = QString("P%1").arg(p);
        song->Parts[p].Program = 40;
    }
    song->Notes[6][0].Lyric = "kept";
    song->CursorTick = 777;
    song->TimeSigLastIndex = 3;
    song->TimeSigCodes[3] = 134;
    song->TempoLastIndex = 2;
    song->ProjectPath = "/tmp/a.brc";
    song->Modified = -1;
    NewProject(*song);
    // Every note count and change list is emptied; parts beyond five and free rows keep their values.
    for (int p = 1; p <= 8; ++p) EXPECT_EQ(song->Parts[p].NoteCount, 0);
    EXPECT_EQ(song->Parts[2].Program, 0);
    EXPECT_EQ(song->Parts[6].Name, "P6");
    EXPECT_EQ(song->Parts[7].Program, 40);
    EXPECT_EQ(song->Notes[6][0].Lyric, "kept");
    EXPECT_EQ(song->CursorTick, 777);
    EXPECT_EQ(song->TimeSigLastIndex, 0);
    EXPECT_EQ(song->TimeSigCodes[3], 0);
    EXPECT_EQ(song->TempoLastIndex, 0);
    EXPECT_EQ(song->ProjectPath, "");
    EXPECT_EQ(song->Modified, 0);
}
