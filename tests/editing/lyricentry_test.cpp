#include <gtest/gtest.h>

#include "document/lyrics.h"
#include "editing/lyricentry.h"
#include "editing/pianoroll.h"
#include "support/songs.h"

using namespace editing;

namespace {

const QString U(const char* s) { return QString::fromUtf8(s); }

struct Lyrics {
    std::unique_ptr<doc::Song> song = testsongs::NewSong(true, false, true);
    UndoJournal journal;
    int Add(int32_t start, const char* lyric, int pitch = 60, int32_t length = 48) {
        return AddNote(*song, pitch, start, length, U(lyric), 1);
    }
    doc::NoteRecord& Row(int r) { return song->Notes[1][r]; }
    QStringList Tail(int n) const { return journal.listcx().mid(journal.ListCount() - n); }
    QStringList Verses(int verse) {
        QStringList out;
        for (int r = 0; r < song->Parts[1].NoteCount; ++r) out << doc::GetVerseText(Row(r).Lyric, verse);
        return out;
    }
};

}  // namespace

TEST(LyricEntry, TrimTextToWidthCutsWholeCharacters) {
    const struct {
        const char* in;
        int width;
        const char* out;
    } cases[] = {{"一二三四五六七八九十十", 20, "一二三四五六七八九十"}, {"ab一", 3, "ab"},
                 {"abc", 3, "abc"}, {"a|一二三四五六七八九十", 20, "a|一二三四五六七八九"}};
    for (const auto& c : cases) EXPECT_EQ(TrimTextToWidth(U(c.in), c.width), U(c.out)) << c.in;
}

TEST(LyricEntry, EnterStoresMarksAndLyrics) {
    const EntryLists lists{{"ppp", "pp", "p", "mp", "mf", "f", "ff", "fff"}, 3, {"rit.", "a tempo"}, 0};
    const struct {
        int32_t start;
        int pitch;
        const char* lyric;
        int32_t length;
        const char* typed;
        int code;
        const char* stored;
        const char* caption;
        const char* line;
    } cases[] = {
        {96, 60, "a|b", 48, "/t", 1, "", "", "10009606000048a|bY=001S="},
        {0, 0, "note", 24, "hi", 64, "hi", "hi", "10000000000024noteY=064S=hi"},
        {96, 60, "a", 48, " /t ", 1, "", "", "10009606000048aY=001S="},
        {96, 60, "a|b", 48, "a|b", 60, "a|b", "a|b", "10009606000048a|bS=a|b"},
        {96, 60, "a", 48, "/pff", 2, "6", "ff", "10009606000048aY=002S=6"},
        {96, 60, "a", 48, "/pzz", 2, "3", "zz", "10009606000048aY=002S=3"},
        {96, 60, "a", 48, "/ia tempo", 4, "1", "a tempo", "10009606000048aY=004S=1"},
        {96, 60, "a", 48, "/xla", 20, "la", "la", "10009606000048aY=020S=la"},
        {96, 60, "a", 48, "一二三四五六七八九十十", 60, "一二三四五六七八九十", "一二三四五六七八九十",
         "10009606000048aS=一二三四五六七八九十"},
    };
    for (const auto& c : cases) {
        Lyrics t;
        const int r = t.Add(c.start, c.lyric, c.pitch, c.length);
        const EntryResult e = CommitEntry(*t.song, t.journal, 1, r, U(c.typed), lists);
        EXPECT_TRUE(e.stored) << c.typed;
        EXPECT_EQ(t.Row(r).Pitch, c.code) << c.typed;
        EXPECT_EQ(t.Row(r).Lyric, U(c.stored)) << c.typed;
        EXPECT_EQ(e.caption, U(c.caption)) << c.typed;
        EXPECT_EQ(t.Tail(2), (QStringList{U(c.line), U("0修改歌词")})) << c.typed;
        EXPECT_TRUE(t.song->Modified && t.song->NeedsRetypeset) << c.typed;
        EXPECT_EQ(t.song->PlayEventsStale != 0, c.code != c.pitch) << c.typed;
    }
}

TEST(LyricEntry, AWrongMarkChangesNothing) {
    Lyrics t;
    const int r = t.Add(0, "a");
    for (const char* typed : {"/T", "/", "/q1"}) {
        const EntryResult e = CommitEntry(*t.song, t.journal, 1, r, U(typed), {});
        EXPECT_FALSE(e.stored);
        EXPECT_EQ(e.caption, U(typed));
        EXPECT_EQ(t.Row(r).Lyric, "a");
        EXPECT_EQ(t.Row(r).Pitch, 60);
        EXPECT_EQ(t.journal.ListCount(), 1);
        EXPECT_EQ(t.song->NeedsRetypeset, 0);
    }
    EXPECT_EQ(t.song->Modified, -1);
    EXPECT_EQ(BadMarkMessage(),
              U("错误的标记 /t:标记 /m注释 /x无音高 /s特殊符号 /p力度记号 /e表情文件 /i自选表情文本/z装饰音"));
}

TEST(LyricEntry, InsertAndDeleteShiftTheVerseFromTheEditedNote) {
    {
        Lyrics t;
        t.Add(0, "a"), t.Add(48, "b"), t.Add(96, "c");
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 0, 0, 1, true), ShiftResult::Done);
        EXPECT_EQ(t.Verses(0), (QStringList{"", "a", "b"}));
        EXPECT_EQ(t.Tail(4), (QStringList{"10009606000048cS=b", "10004806000048bS=a", "10000006000048aS=", U("0插空歌词")}));
        EXPECT_TRUE(t.song->NeedsRetypeset);
        t.journal.Undo(*t.song);
        EXPECT_EQ(t.Verses(0), (QStringList{"a", "b", "c"}));
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 0, 0, 1, false), ShiftResult::Done);
        EXPECT_EQ(t.Verses(0), (QStringList{"b", "c", ""}));
        EXPECT_EQ(t.Tail(1), QStringList{U("0删除歌词")});
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 1, 0, 1, true), ShiftResult::Done);
        EXPECT_EQ(t.Verses(0), (QStringList{"b", "", "c"}));
        // Delete on the last note empties its own verse.
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 2, 0, 1, false), ShiftResult::Done);
        EXPECT_EQ(t.Verses(0), (QStringList{"b", "", ""}));
    }
    {
        // A chord partner ordered before the edited note keeps its syllable; a mark is skipped.
        Lyrics t;
        t.Add(0, "x"), t.Add(0, "y"), t.Add(48, "z"), t.Add(24, "7", doc::kDynamics);
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 1, 0, 1, false), ShiftResult::Done);
        EXPECT_EQ(t.Verses(0), (QStringList{"x", "z", "", "7"}));
        const int entries = t.journal.ListCount();
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 3, 0, 1, true), ShiftResult::Nothing);
        EXPECT_EQ(t.Row(3).Lyric, "7");
        EXPECT_EQ(t.journal.ListCount(), entries);
    }
    {
        // Second verse of three; a shift that would make a lyric wider than 20 is refused.
        Lyrics t;
        t.Add(0, "a|1|A"), t.Add(48, "b|2|B"), t.Add(96, "c|一二三四五六七八|C");
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 0, 1, 3, true), ShiftResult::Done);
        EXPECT_EQ(t.Row(0).Lyric, "a||A");
        EXPECT_EQ(t.Row(2).Lyric, "c|2|C");
        t.Row(0).Lyric = U("一二三四五六七|-|九");
        t.Row(1).Lyric = U("b|六七|B");
        const QStringList before = t.journal.listcx();
        EXPECT_EQ(ShiftVerse(*t.song, t.journal, 1, 0, 1, 3, false), ShiftResult::TooWide);
        EXPECT_EQ(t.Row(0).Lyric, U("一二三四五六七|-|九"));
        EXPECT_EQ(t.journal.listcx(), before);
        EXPECT_EQ(LyricTooWideMessage(), U("每个音符长度不能超过20"));
    }
}

TEST(LyricEntry, InsertingALineOfText) {
    const struct {
        const char* text;
        bool overwrite, oneChar;
        const char* verses;  // the notes' verse 0 afterwards
        int lines;           // journal lines written
    } cases[] = {
        {"xyz", true, true, "x y z d e", 3},
        {"xyz", false, true, "x y z a b", 5},
        {"x z", true, true, "x - z d e", 3},
        {"ab  cd", true, false, "ab cd c d e", 2},
        {" ab", true, false, "ab b c d e", 1},
        {"a\r\nb", true, true, "a b c d e", 2},
        {"uvwxyzst", false, true, "u v w x y", 5},
    };
    for (const auto& c : cases) {
        Lyrics t;
        for (const char* l : {"a", "b", "c", "d", "e"}) t.Add(48 * (l[0] - 'a'), l);
        t.Add(24, "3", doc::kDynamics);  // marks between the targets are skipped
        EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 0, U(c.text), 0, 1, c.overwrite, c.oneChar), InsertResult::Done);
        QStringList v = t.Verses(0);
        v.removeLast();
        EXPECT_EQ(v.join(' '), c.verses) << c.text;
        EXPECT_EQ(t.journal.ListCount(), 1 + c.lines + 1) << c.text;
        EXPECT_EQ(t.Tail(1), QStringList{U("0插入歌词")});
        EXPECT_TRUE(t.song->NeedsRetypeset);
        EXPECT_EQ(t.song->PlayEventsStale, 0);
    }
}

TEST(LyricEntry, InsertionKeepsOtherVersesAndRefusesWideOrEmptyText) {
    Lyrics t;
    t.Add(0, "a|1|A"), t.Add(48, "b|2|B"), t.Add(96, "c|3");
    EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 1, "xy", 2, 3, true, true), InsertResult::Done);
    EXPECT_EQ(t.Verses(2), (QStringList{"A", "x", "y"}));
    EXPECT_EQ(t.Row(2).Lyric, "c|3|y");
    t.journal.Undo(*t.song);
    EXPECT_EQ(t.Row(2).Lyric, "c|3");
    const QStringList before = t.journal.listcx();
    for (const char* text : {"ab 一二三四五六七八九十十", "", "   "})
        EXPECT_NE(InsertLyrics(*t.song, t.journal, 1, 0, U(text), 0, 3, true, false), InsertResult::Done) << text;
    EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 0, U("ab 一二三四五六七八九十十"), 0, 3, true, false),
              InsertResult::TooWide);
    // A syllable fitting alone but making the whole lyric too wide is refused as well.
    EXPECT_EQ(InsertLyrics(*t.song, t.journal, 1, 0, U("一二三四五六七八九"), 0, 3, true, false), InsertResult::TooWide);
    EXPECT_EQ(t.journal.listcx(), before);
    EXPECT_EQ(t.Row(0).Lyric, "a|1|A");
}

TEST(LyricEntry, PanelTextTools) {
    EXPECT_EQ(RemovePunctuation(U("你好，世界！")), U("你好世界"));
    EXPECT_EQ(RemovePunctuation(U("a,b.c?d!e…f—g、h“i。j？")), U("abcdefghij"));
    EXPECT_EQ(RemoveSpaces(U(" a b  c ")), "abc");
    EXPECT_EQ(RemoveLineBreaks("a\r\nb\nc"), "abc");
    EXPECT_EQ(SplitSyllables(QString(1100, 'a'), true).size(), 1025u);
}
