#include <gtest/gtest.h>

#include "document/lyrics.h"
#include "document/projectfile.h"
#include "document/timeline.h"

using namespace doc;

// The demonstration song in the sample folder opens as a complete four-part song.
TEST(SampleSong, OpensWithItsPartsWordsAndSentences) {
    ProjectLoad load = ReadProjectFile(QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc"));
    ASSERT_TRUE(load.Ok) << load.Error.toStdString();
    Song& song = *load.LoadedSong;
    EXPECT_EQ(song.Title, QString::fromUtf8("晚风"));
    ASSERT_EQ(song.PartCount, 5);
    RebuildTimeline(song, false);
    EXPECT_EQ(song.SongLength, 2304);  // twelve bars of 4/4
    EXPECT_FLOAT_EQ(song.TempoChangeBpm[0], 90.0f);
    for (int part = 1; part <= 5; ++part) {
        ASSERT_EQ(song.Parts[part].NoteCount, 48) << part;
        for (int row = 0; row < 48; ++row) {
            const NoteRecord& n = song.Notes[part][row];
            EXPECT_TRUE(n.Pitch == kSentenceMarker || (n.Pitch >= 43 && n.Pitch <= 69)) << part << " " << row;
            EXPECT_LE(n.Start + n.Length, song.SongLength);
        }
    }
    // The first and last sentences of the lead read as their words.
    QStringList sentences;
    for (int row = 0; row < 48; ++row)
        if (song.Notes[1][row].Pitch == kSentenceMarker) sentences << GetPhraseLyrics(song, 1, row, 0);
    ASSERT_EQ(sentences.size(), 6);
    EXPECT_EQ(sentences.first(), QString::fromUtf8("晚风轻轻吹过窗"));
    EXPECT_EQ(sentences.last(), QString::fromUtf8("我们一起来歌唱"));
}
