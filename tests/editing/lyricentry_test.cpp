#include <gtest/gtest.h>

#include "document/lyrics.h"
#include "editing/lyricentry.h"
#include "editing/pianoroll.h"
#include "support/songs.h"
#include "support/text.h"

using namespace editing;

namespace {

struct Lyrics {
    std::unique_ptr<doc::Song> song = testsongs::NewSong(true, false, true);
    UndoJournal journal;
    explicit Lyrics(std::initializer_list<doc::NoteRecord> notes) {
        for (const doc::NoteRecord& n : notes) AddNote(*song, n.Pitch, n.Start, n.Length, n.Lyric, 1);
    }
    doc::NoteRecord& Row(int r) { return song->Notes[1][r]; }
    QStringList Tail(int n) const { return journal.listcx().mid(journal.ListCount() - n); }
    QString Verses(int verse) {  // verse `verse` of every row, joined by blanks
        QStringList out;
        for (int r = 0; r < song->Parts[1].NoteCount; ++r) out << doc::GetVerseText(Row(r).Lyric, verse);
        return out.join(' ');
    }
};
}  // namespace

TEST(LyricEntry, TrimTextToWidthCutsWholeCharacters) {
    EXPECT_EQ(TrimTextToWidth(U("一二三四五六七八九十十"), 20), U("一二三四五六七八九十"));
    EXPECT_EQ(TrimTextToWidth(U("ab一"), 3), "ab");
    EXPECT_EQ(TrimTextToWidth(U("a|一二三四五六七八九十"), 20), U("a|一二三四五六七八九"));
}

TEST(LyricEntry, EnterStoresMarksAndLyrics) {
    const EntryLists lists{{"mp", "p", "pp", "ppp", "pppp", "mf", "f", "ff"}, 0, {"rit.", "a tempo"}, 0};
    const struct {
        doc::NoteRecord note;
        const char *typed, *stored, *caption, *line;
        int code;
    } cases[] = {
        {{96, 48, 60, "a|b"}, "/t", "", "", "10009606000048a|bY=001S=", 1},
        {{0, 24, 0, "note"}, "hi", "hi", "hi", "10000000000024noteY=064S=hi", 64},
        {{96, 48, 60, "a"}, " /t ", "", "", "10009606000048aY=001S=", 1},
        {{96, 48, 60, "a|b"}, "a|b", "a|b", "a|b", "10009606000048a|bS=a|b", 60},
        {{96, 48, 60, "a"}, "/pff", "7", "ff", "10009606000048aY=002S=7", 2},
        {{96, 48, 60, "a"}, "/pzz", "0", "zz", "10009606000048aY=002S=0", 2},
        {{96, 48, 60, "a"}, "/ia tempo", "1", "a tempo", "10009606000048aY=004S=1", 4},
        {{96, 48, 60, "a"}, "/xla", "la", "la", "10009606000048aY=020S=la", 20},
        {{96, 48, 60, "a"}, "一二三四五六七八九十十", "一二三四五六七八九十", "一二三四五六七八九十",
         "10009606000048aS=一二三四五六七八九十", 60},
    };
    for (const auto& c : cases) {
        Lyrics t{c.note};
        const EntryResult e = CommitEntry(*t.song, t.journal, 1, 0, U(c.typed), lists);
        EXPECT_TRUE(e.stored && t.Row(0).Pitch == c.code && e.caption == U(c.caption)) << c.typed;
        EXPECT_EQ(t.Row(0).Lyric, U(c.stored)) << c.typed;
        EXPECT_EQ(t.Tail(2), (QStringList{U(c.line), U("0修改歌词")})) << c.typed;
        EXPECT_TRUE(t.song->Modified && t.song->NeedsRetypeset) << c.typed;
        EXPECT_EQ(t.song->PlayEventsStale != 0, c.code != c.note.Pitch) << c.typed;
    }
    // A wrong mark changes neither the note nor the journal.
    Lyrics t{{0, 48, 60, "a"}};
    for (const char* typed : {"/T", "/", "/q1"}) {
        const EntryResult e = CommitEntry(*t.song, t.journal, 1, 0, U(typed), lists);
        EXPECT_TRUE(!e.stored && e.caption == U(typed) && t.Row(0).Lyric == "a" && t.Row(0).Pitch == 60);
    }
    EXPECT_EQ(t.journal.ListCount(), 1);
    EXPECT_EQ(t.song->NeedsRetypeset, 0);
}

TEST(LyricEntry, InsertAndDeleteShiftTheVerseFromTheEditedNote) {
    Lyrics t{{0, 48, 60, "a"}, {48, 48, 60, "b"}, {96, 48, 60, "c"}};
    EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 0, 0, 1, true), ShiftResult::Done);
    EXPECT_EQ(t.Verses(0), " a b");
    EXPECT_EQ(t.Tail(4), (QStringList{"10009606000048cS=b", "10004806000048bS=a", "10000006000048aS=", U("0插空歌词")}));
    EXPECT_TRUE(t.song->NeedsRetypeset);
    t.journal.Undo(*t.song);
    EXPECT_EQ(t.Verses(0), "a b c");
    EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 0, 0, 1, false), ShiftResult::Done);
    EXPECT_EQ(t.Verses(0), "b c ");
    EXPECT_EQ(t.Tail(1), QStringList{U("0删除歌词")});
    ShiftVerse(*t.song, t.journal, 1, 1, 0, 1, true);
    ShiftVerse(*t.song, t.journal, 1, 2, 0, 1, false);  // on the last note: its own verse
    EXPECT_EQ(t.Verses(0), "b  ");
    // A chord partner ordered before the edited note keeps its syllable; on a mark nothing shifts.
    Lyrics chord{{0, 48, 60, "x"}, {0, 48, 64, "y"}, {48, 48, 60, "z"}, {24, 48, doc::kDynamics, "7"}};
    EXPECT_EQ(ShiftVerse(*chord.song, chord.journal, 1, 1, 0, 1, false), ShiftResult::Done);
    EXPECT_EQ(chord.Verses(0), "x z  7");
    EXPECT_EQ(ShiftVerse(*chord.song, chord.journal, 1, 3, 0, 1, true), ShiftResult::Nothing);
    EXPECT_EQ(chord.Row(3).Lyric, "7");
    // Verse 1 of 3 only; a lyric made wider than 20 refuses the whole shift.
    Lyrics verses{{0, 48, 60, "a|1|A"}, {48, 48, 60, "b|六七|B"}, {96, 48, 60, "c"}};
    EXPECT_EQ(ShiftVerse(*verses.song, verses.journal, 1, 0, 1, 3, true), ShiftResult::Done);
    EXPECT_EQ(verses.Row(2).Lyric, U("c|六七|"));
    verses.Row(0).Lyric = U("一二三四五六七|-|九");
    verses.Row(1).Lyric = U("b|六七|B");
    const QStringList before = verses.journal.listcx();
    EXPECT_EQ(ShiftVerse(*verses.song, verses.journal, 1, 0, 1, 3, false), ShiftResult::TooWide);
    EXPECT_EQ(verses.Row(0).Lyric, U("一二三四五六七|-|九"));
    EXPECT_EQ(verses.journal.listcx(), before);
}

TEST(LyricEntry, InsertingALineOfText) {
    const struct {
        const char* text;
        bool overwrite, oneChar;
        const char* verses;
        int lines;
    } cases[] = {
        {"xyz", true, true, "x y z d e 3", 3},      {"xyz", false, true, "x y z a b 3", 5},
        {"x z", true, true, "x - z d e 3", 3},      {"ab  cd", true, false, "ab cd c d e 3", 2},
        {" ab", true, false, "ab b c d e 3", 1},    {"a\r\nb", true, true, "a b c d e 3", 2},
        {"uvwxyzst", false, true, "u v w x y 3", 5},
    };
    for (const auto& c : cases) {
        Lyrics t{{0, 48, 60, "a"}, {48, 48, 60, "b"}, {96, 48, 60, "c"}, {144, 48, 60, "d"}, {192, 48, 60, "e"},
                 {24, 48, doc::kDynamics, "3"}};
        EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 0, U(c.text), 0, 1, c.overwrite, c.oneChar), InsertResult::Done);
        EXPECT_EQ(t.Verses(0), c.verses) << c.text;
        EXPECT_EQ(t.journal.ListCount(), c.lines + 2) << c.text;
        EXPECT_EQ(t.Tail(1), QStringList{U("0插入歌词")});
        EXPECT_TRUE(t.song->NeedsRetypeset && !t.song->PlayEventsStale);
    }
    // Three verses: only the current one changes and every lyric keeps three fields; undo restores.
    Lyrics t{{0, 48, 60, "a|1|A"}, {48, 48, 60, "b|2|B"}, {96, 48, 60, "c|3"}};
    EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 1, "xy", 2, 3, true, true), InsertResult::Done);
    EXPECT_EQ(t.Verses(2), "A x y");
    EXPECT_EQ(t.Row(2).Lyric, "c|3|y");
    t.journal.Undo(*t.song);
    EXPECT_EQ(t.Row(2).Lyric, "c|3");
    // Too wide (a word, or the whole lyric it makes) and empty texts change nothing.
    const QStringList before = t.journal.listcx();
    EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 0, U("ab 一二三四五六七八九十十"), 0, 3, true, false),
              InsertResult::TooWide);
    EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 0, U("一二三四五六七八九"), 0, 3, true, false), InsertResult::TooWide);
    for (const char* text : {"", "   "})
        EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 0, U(text), 0, 3, true, false), InsertResult::Nothing);
    EXPECT_EQ(t.journal.listcx(), before);
    EXPECT_EQ(t.Row(0).Lyric, "a|1|A");
    EXPECT_EQ(SplitSyllables(QString(1100, 'a'), true).size(), 1025u);
}

TEST(LyricEntry, PanelTextTools) {
    EXPECT_EQ(RemovePunctuation(U("你好，世界！")), U("你好世界"));
    EXPECT_EQ(RemovePunctuation(U("a,b.c?d!e…f—g、h“i。j？")), U("abcdefghij"));
    EXPECT_EQ(RemoveSpaces(U(" a b  c ")), "abc");
}
