#include <gtest/gtest.h>

#include "document/lyrics.h"
#include "document/parts.h"

using namespace doc;

namespace {
QString Set(QString lyric, int verse, const QString& text, int verses) {
    SetVerseText(lyric, verse, text, verses);
    return lyric;
}

void AddNote(Song& song, int part, int32_t start, int pitch, int length, const QString& lyric) {
    NoteRecord& n = song.Notes[part][song.Parts[part].NoteCount++];
    n.Start = start;
    n.Pitch = uint8_t(pitch);
    n.Length = int16_t(length);
    n.Lyric = lyric;
}
}  // namespace

TEST(Verses, GetVerseText) {
    EXPECT_EQ(GetVerseText("a|-|c", 1), "-");
    EXPECT_EQ(GetVerseText("a|-|c", 2), "c");
    EXPECT_EQ(GetVerseText("a", 2), "");
    EXPECT_EQ(GetVerseText("", 0), "");
    EXPECT_EQ(GetVerseText("a|b", -1), "");
}

TEST(Verses, SetVerseTextKeepsExactlyTheVerseCount) {
    EXPECT_EQ(Set("a|b", 2, "c", 3), "a|b|c");
    EXPECT_EQ(Set("a|b|c|d", 0, "x", 3), "x|b|c");
    EXPECT_EQ(Set("", 1, "x", 2), "|x");
    EXPECT_EQ(Set("", 1, "x", 1), "");
    EXPECT_EQ(Set("a|b|c", 1, "", 3), "a||c");
    EXPECT_EQ(Set("a|b", 0, "z", 1), "z");
}

TEST(Verses, SetVerseTextFarPastTheStoredTextKeepsTheSyllable) {
    EXPECT_EQ(Set("a", 3, "d", 4), "a|||d");
    EXPECT_EQ(Set("", 6, "g", 7), "||||||g");
    EXPECT_EQ(GetVerseText(Set("a", 4, "e", 7), 4), "e");
}

TEST(Parts, SwapPartsExchangesRowsAndRecords) {
    auto song = Song::create();
    song->Parts[1].Name = "A";
    song->Parts[2].Name = "B";
    song->Parts[1].StripTop = 0;
    song->Parts[2].StripTop = 120;
    for (int i = 0; i < 10; ++i) AddNote(*song, 1, i * 48, 60 + i, 48, "a");
    for (int i = 0; i < 3; ++i) AddNote(*song, 2, i * 96, 40 + i, 96, "b");
    SwapParts(*song, 1, 2);
    EXPECT_EQ(song->Parts[1].NoteCount, 3);
    EXPECT_EQ(song->Parts[2].NoteCount, 10);
    EXPECT_EQ(song->Parts[1].Name, "B");
    EXPECT_EQ(song->Parts[2].StripTop, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(song->Notes[1][i].Pitch, 40 + i);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(song->Notes[2][i].Pitch, 60 + i);
        EXPECT_EQ(song->Notes[2][i].Start, i * 48);
    }
    // All ten rows were exchanged: the unused rows 3..9 of part 2 came across as well.
    EXPECT_EQ(song->Notes[1][9].Lyric, "");
}

TEST(Parts, PartNamesListsPartsInUse) {
    auto song = Song::create();
    song->PartCount = 2;
    song->Parts[1].Name = "x";
    song->Parts[2].Name = "y";
    song->Parts[3].Name = "z";
    EXPECT_EQ(PartNames(*song), QStringList({"x", "y"}));
}

TEST(PhraseLyrics, TakesSungNotesInsideTheMarkerInStartOrder) {
    auto song = Song::create();
    AddNote(*song, 1, 0, kSentenceMarker, 192, "");
    AddNote(*song, 1, 96, 62, 48, QString::fromUtf8("唱|们"));
    AddNote(*song, 1, 0, 60, 48, QString::fromUtf8("歌|我"));
    AddNote(*song, 1, 48, kDynamics, 48, "3");             // item: skipped
    AddNote(*song, 1, 48, 61, 48, QString::fromUtf8("-|-"));
    AddNote(*song, 1, 192, 64, 48, QString::fromUtf8("不|不"));  // at the marker's end: skipped
    AddNote(*song, 1, 144, 63, 48, "|");
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 0), QString::fromUtf8("歌唱"));
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 1), QString::fromUtf8("我们"));
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 5), "");
}

TEST(PhraseLyrics, RemovesEveryDashAndOrdersTiesBySyllable) {
    auto song = Song::create();
    AddNote(*song, 1, 0, kSentenceMarker, 384, "");
    AddNote(*song, 1, 0, 60, 48, QString::fromUtf8("我"));
    AddNote(*song, 1, 48, 60, 48, "-");
    AddNote(*song, 1, 96, 60, 48, "-");
    AddNote(*song, 1, 144, 60, 48, QString::fromUtf8("们"));
    AddNote(*song, 1, 192, 67, 48, "b");
    AddNote(*song, 1, 192, 64, 48, "a");
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 0), QString::fromUtf8("我们ab"));
}

TEST(PhraseLyrics, EmptyMarkerAndLateStarts) {
    auto song = Song::create();
    AddNote(*song, 1, 1000, kSentenceMarker, 96, "");
    AddNote(*song, 1, 0, 60, 48, "x");
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 0), "");
    // Starts across 100000 ticks still come in time order.
    AddNote(*song, 1, 99900, kSentenceMarker, 400, "");
    AddNote(*song, 1, 100010, 60, 48, "b");
    AddNote(*song, 1, 99990, 60, 20, "a");
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 2, 0), "ab");
}
