#include <gtest/gtest.h>

#include "document/lyrics.h"
#include "document/parts.h"

using namespace doc;

namespace {
void AddNote(Song& song, int part, int32_t start, int pitch, int length, const char* lyric) {
    NoteRecord& n = song.Notes[part][song.Parts[part].NoteCount++];
    n.Start = start;
    n.Pitch = uint8_t(pitch);
    n.Length = int16_t(length);
    n.Lyric = QString::fromUtf8(lyric);
}
}  // namespace

TEST(Verses, GetAndSetKeepExactlyTheVerseCount) {
    EXPECT_EQ(GetVerseText("a|-|c", 2), "c");
    EXPECT_EQ(GetVerseText("a|-|c", 1), "-");
    EXPECT_EQ(GetVerseText("ab|-|c", 0), "ab");
    EXPECT_EQ(GetVerseText("a||c", 1), "");
    EXPECT_EQ(GetVerseText("a|b|", 2), "");
    EXPECT_EQ(GetVerseText("a|b|", 3), "");
    EXPECT_EQ(GetVerseText(QStringLiteral("晚"), 0), QStringLiteral("晚"));
    EXPECT_EQ(GetVerseText("a", 2), "");
    EXPECT_EQ(GetVerseText("a|b", -1), "");
    struct Case { const char* lyric; int verse; const char* text; int verses; const char* want; };
    const Case cases[] = {
        {"a|b", 2, "c", 3, "a|b|c"}, {"a|b|c|d", 0, "x", 3, "x|b|c"}, {"", 1, "x", 2, "|x"},
        {"", 1, "x", 1, ""},         {"a|b|c", 1, "", 3, "a||c"},     {"a", 3, "d", 4, "a|||d"},
        {"", 6, "g", 7, "||||||g"},
    };
    for (const Case& c : cases) {
        QString lyric = c.lyric;
        SetVerseText(lyric, c.verse, c.text, c.verses);
        EXPECT_EQ(lyric, c.want) << c.lyric << " " << c.verse;
    }
}

TEST(Parts, SwapPartsExchangesRowsAndRecords) {
    auto song = Song::create();
    song->Parts[1].Name = "A";
    song->Parts[2].Name = "B";
    song->Parts[2].StripTop = 120;
    for (int i = 0; i < 10; ++i) AddNote(*song, 1, i * 48, 60 + i, 48, "a");
    for (int i = 0; i < 3; ++i) AddNote(*song, 2, i * 96, 40 + i, 96, "b");
    SwapParts(*song, 1, 2);
    EXPECT_EQ(song->Parts[1].NoteCount, 3);
    EXPECT_EQ(song->Parts[2].NoteCount, 10);
    EXPECT_EQ(song->Parts[1].Name, "B");
    EXPECT_EQ(song->Parts[2].StripTop, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(song->Notes[1][i].Pitch, 40 + i);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(song->Notes[2][i].Start, i * 48);
    // All ten rows were exchanged: the unused rows 3..9 of part 2 came across as well.
    EXPECT_EQ(song->Notes[1][9].Lyric, "");
}

TEST(PhraseLyrics, SungNotesInsideTheMarkerInStartOrder) {
    auto song = Song::create();
    AddNote(*song, 1, 0, kSentenceMarker, 192, "");
    AddNote(*song, 1, 96, 62, 48, "唱|们");
    AddNote(*song, 1, 0, 60, 48, "歌|我");
    AddNote(*song, 1, 48, kDynamics, 48, "3");     // item: skipped
    AddNote(*song, 1, 48, 61, 48, "-|-");
    AddNote(*song, 1, 192, 64, 48, "不|不");       // at the marker's end: skipped
    AddNote(*song, 1, 144, 63, 48, "|");
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 0), QString::fromUtf8("歌唱"));
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 1), QString::fromUtf8("我们"));
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 0, 5), "");

    // Ties in start order go by syllable; starts far apart still come in time order.
    AddNote(*song, 1, 1000, kSentenceMarker, 384, "");
    AddNote(*song, 1, 1192, 67, 48, "b");
    AddNote(*song, 1, 1192, 64, 48, "a");
    AddNote(*song, 1, 99900, kSentenceMarker, 400, "");
    AddNote(*song, 1, 100010, 60, 48, "d");
    AddNote(*song, 1, 99990, 60, 20, "c");
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 7, 0), "ab");
    EXPECT_EQ(GetPhraseLyrics(*song, 1, 10, 0), "cd");
}
