// The timing tools, the sentence split and the time stretch on the song and the journal.
#include <gtest/gtest.h>

#include "editing/pianoroll.h"
#include "editing/timingtools.h"
#include "support/songs.h"
#include "support/text.h"

using namespace editing;

namespace {

struct Part {
    std::unique_ptr<doc::Song> song = testsongs::NewSong(true, false, true);
    UndoJournal journal;
    int Add(int32_t start, int32_t length, int pitch = 60, const char* lyric = "-", bool selected = true) {
        const int r = AddNote(*song, pitch, start, length, U(lyric), 1);
        song->Notes[1][r].Selected = selected ? -1 : 0;
        return r;
    }
    QStringList Tail(int n) const { return journal.listcx().mid(journal.ListCount() - n); }
    doc::NoteRecord& Row(int r) { return song->Notes[1][r]; }
    int Count() const { return song->Parts[1].NoteCount; }
};

}  // namespace

TEST(Quantise, StartsAndLengthsOnTheGrid) {
    struct Case {
        int32_t grid;
        bool startsOnly;
        int32_t start, length, wantStart, wantLength;
    } cases[] = {{12, true, 17, 48, 12, 48}, {12, true, 18, 48, 24, 48}, {12, true, 6, 48, 12, 48},
                 {12, true, 5, 48, 0, 48},   {12, false, 5, 5, 0, 12},   {12, false, 30, 47, 36, 48},
                 {3, true, 4, 48, 3, 48},    {1, false, 4, 7, 4, 7},     {3, false, 100000, 2, 99999, 3}};
    for (const Case& c : cases) {
        Part p;
        p.Add(c.start, c.length);
        Quantise(*p.song, p.journal, 1, c.grid, c.startsOnly);
        EXPECT_EQ(p.Row(0).Start, c.wantStart) << c.start;
        EXPECT_EQ(p.Row(0).Length, c.wantLength) << c.start;
        EXPECT_EQ(p.Tail(1).front(), U("0量化对齐"));
    }
    Part p;
    p.Add(17, 48);
    p.Add(5, 190, doc::kSentenceMarker, "");
    Quantise(*p.song, p.journal, 1, 12, false);
    EXPECT_EQ(p.Tail(3), QStringList({"10001706000048-J=00012L=00048", "10000500100190J=00000L=00192", U("0量化对齐")}));
    p.journal.Undo(*p.song);
    EXPECT_EQ(p.Row(1).Start, 5);
}

TEST(Breath, LongNotesCutAndEqualOnesLeft) {
    Part p;
    for (int len : {48, 48, 48, 192}) p.Add(0, len);
    p.Add(0, 960, 60, "-", false);  // unselected: neither counted nor cut
    EXPECT_TRUE(HandleBreaths(*p.song, p.journal, 1, 200, 80));
    EXPECT_EQ(p.Tail(2), QStringList({"10000006000192-L=00154", U("0换气处理")}));
    Part same;
    for (int i = 0; i < 3; ++i) same.Add(i * 48, 48);
    EXPECT_TRUE(HandleBreaths(*same.song, same.journal, 1, 200, 80));
    EXPECT_EQ(same.Tail(2), QStringList({"0" + U("无法撒消"), U("0换气处理")}));
    Part none;
    none.Add(0, 48, 60, "-", false);
    EXPECT_FALSE(HandleBreaths(*none.song, none.journal, 1, 200, 80));
    EXPECT_EQ(none.journal.ListCount(), 1);
    Part tiny;
    tiny.Add(0, 4);
    EXPECT_TRUE(HandleBreaths(*tiny.song, tiny.journal, 1, 50, 0));  // cut to 0 %: kept at 1 tick
    EXPECT_EQ(tiny.Row(0).Length, 1);
}

TEST(Durations, FillGapsAndClearOverlaps) {
    struct Case {
        bool fill;
        int32_t secondStart;
        bool firstSelected;
        int wantLength;
    } cases[] = {{true, 48 + 383, true, 431}, {true, 48 + 384, true, 48}, {true, 48, true, 48},
                 {true, 100, false, 48},      {false, 0, true, 2},        {false, 30, true, 30},
                 {false, 30, false, 48},      {false, 48, true, 48}};
    for (const Case& c : cases) {
        Part p;
        p.Add(0, 48, 60, "-", c.firstSelected);
        p.Add(c.secondStart, 48, 62);
        p.Add(0, 10, doc::kSentenceMarker, "");  // marks take no part in the walk
        EXPECT_TRUE(ReworkDurations(*p.song, p.journal, 1, c.fill));
        EXPECT_EQ(p.Row(0).Length, c.wantLength) << c.fill << " " << c.secondStart;
        EXPECT_EQ(p.Tail(1).front(), U(c.fill ? "0填满时值" : "0清除重叠"));
    }
    Part empty;
    EXPECT_FALSE(ReworkDurations(*empty.song, empty.journal, 1, true));
    EXPECT_EQ(empty.journal.ListCount(), 1);
}

TEST(SentenceSplit, MarkersFromLongNotes) {
    Part p;
    p.Add(0, 48, 60, "a");
    p.Add(48, 48, 62, "b");
    p.Add(96, 240, 64, "c");
    EXPECT_EQ(SentenceMarkerCount(*p.song, 1), 0);
    EXPECT_TRUE(SplitSentences(*p.song, p.journal, 1, 200));
    EXPECT_EQ(p.Tail(3), QStringList({U("0删除分句"), "10000000100320", U("0创建分句")}));

    // Rows out of order and two old markers: every syllable is read before the markers go.
    Part q;
    q.Add(0, 192, doc::kSentenceMarker, "");
    q.Add(192, 192, doc::kSentenceMarker, "");
    q.Add(500, 48, 62, "b");
    q.Add(0, 48, 60, "a");
    q.Add(1000, 48, 64, "c");
    q.Add(1100, 48, 64, "-");
    EXPECT_TRUE(SplitSentences(*q.song, q.journal, 1, 50));
    EXPECT_EQ(q.Tail(7), QStringList({"10019200100192", "10000000100192", U("0删除分句"), "10000000100024",
                                      "10050000100024", "10100000100024", U("0创建分句")}));
    EXPECT_EQ(SentenceMarkerCount(*q.song, 1), 3);
    q.journal.Undo(*q.song);
    EXPECT_EQ(SentenceMarkerCount(*q.song, 1), 0);
    q.journal.Undo(*q.song);
    EXPECT_EQ(SentenceMarkerCount(*q.song, 1), 2);
    EXPECT_EQ(q.Count(), 6);

    Part none;
    none.Add(0, 48, 60, "");
    none.Add(0, 48, doc::kSentenceMarker, "");
    EXPECT_FALSE(SplitSentences(*none.song, none.journal, 1, 200));
    EXPECT_EQ(none.Count(), 2);
    EXPECT_EQ(none.journal.ListCount(), 1);
}

TEST(Stretch, BarGripsAndTargets) {
    EXPECT_EQ(StretchGripAt(3, 96), "L");
    EXPECT_EQ(StretchGripAt(92, 96), "R");
    EXPECT_EQ(StretchGripAt(50, 96), "");
    struct Case {
        const char* grip;
        double d, left, width;
    } cases[] = {{"L", 200, 191, 5}, {"L", -300, 0, 196}, {"R", -200, 100, 5}, {"R", 96, 100, 192}, {"", -300, 0, 96}};
    for (const Case& c : cases) {
        const BarOutline o = DragStretchBar(c.grip, 100, 96, c.d);
        EXPECT_EQ(o.left, c.left) << c.grip << c.d;
        EXPECT_EQ(o.width, c.width) << c.grip << c.d;
    }
    const TickRange old{0, 192};
    // 960 pixels over 0..1920: two ticks a pixel.
    TickRange t = StretchTarget(0, 192, 960, 0, 1920, 12, false, false, old);
    EXPECT_EQ(t.start, 0);
    EXPECT_EQ(t.end, 384);
    t = StretchTarget(10, 96, 960, 0, 1920, 12, false, true, old);
    EXPECT_EQ(t.start, 24);
    EXPECT_EQ(t.end, 216);
    t = StretchTarget(10, 97, 960, 0, 1920, 12, true, false, old);
    EXPECT_EQ(t.start, 20);
    EXPECT_EQ(t.end, 214);
}

TEST(Stretch, RefusedRangesChangeNothing) {
    // Refused: one tick, an empty target, a start below 0, a length past 32767.
    Part q;
    for (int i = 0; i < 3; ++i) q.Add(100, 48);
    q.Add(300, 20000);
    const int count = q.journal.ListCount();
    EXPECT_EQ(StretchSelectedNotes(*q.song, q.journal, 1, {100, 100}, {100, 200}), StretchResult::Refused);
    EXPECT_EQ(StretchSelectedNotes(*q.song, q.journal, 1, {100, 300}, {100, 100}), StretchResult::Refused);
    EXPECT_EQ(StretchSelectedNotes(*q.song, q.journal, 1, {100, 300}, {-12, 188}), StretchResult::Refused);
    EXPECT_EQ(StretchSelectedNotes(*q.song, q.journal, 1, {100, 300}, {100, 500}), StretchResult::Refused);
    EXPECT_EQ(StretchSelectedNotes(*q.song, q.journal, 1, {100, 300}, {100, 300}), StretchResult::Unchanged);
    EXPECT_EQ(q.journal.ListCount(), count);
    EXPECT_EQ(q.Row(3).Length, 20000);
    // Lengths never round below 1.
    EXPECT_EQ(StretchSelectedNotes(*q.song, q.journal, 1, {100, 300}, {100, 101}), StretchResult::Stretched);
    EXPECT_EQ(q.Row(0).Length, 1);
}
