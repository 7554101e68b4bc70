#include <gtest/gtest.h>

#include <functional>

#include "editing/pianoroll.h"
#include "support/songs.h"
#include "support/text.h"

using namespace editing;

namespace {

struct Roll {
    std::unique_ptr<doc::Song> song = testsongs::NewSong(true, false, true);
    UndoJournal journal;
    int Add(int part, int32_t start, int32_t length, int pitch, const char* lyric, bool selected = false) {
        const int r = AddNote(*song, pitch, start, length, U(lyric), part);
        song->Notes[part][r].Selected = selected ? -1 : 0;
        return r;
    }
    QStringList Lines() const { return journal.listcx(); }
    doc::NoteRecord& Row(int part, int r) { return song->Notes[part][r]; }
};

}  // namespace

TEST(PianoRollGeometry, RowsKeysAndItemRows) {
    EXPECT_EQ(RowToSemitone(0), 108);
    EXPECT_EQ(RowToSemitone(28), 60);
    EXPECT_EQ(RowToSemitone(51), 21);
    for (int row = 0; row < kWhiteRows; ++row) EXPECT_EQ(WhiteKeyRow(RowToSemitone(row)), row);
    EXPECT_DOUBLE_EQ(KeyBox(60, 20).top, 532);
    EXPECT_DOUBLE_EQ(KeyBox(60, 20).height, 20);
    EXPECT_NEAR(KeyBox(61, 20).top, 526.2, 1e-9);
    EXPECT_NEAR(KeyBox(61, 20).height, 11.6, 1e-9);
    EXPECT_EQ(RollCanvasHeight(20), 989);
    EXPECT_DOUBLE_EQ(PitchRowBox(doc::kComment, 20).top, 485);
    EXPECT_DOUBLE_EQ(PitchRowBox(doc::kUnpitchedNote, 20).top, 465);
    EXPECT_DOUBLE_EQ(PitchRowBox(doc::kSentenceMarker, 20).top, 239);
}

TEST(PianoRollWindow, BoxToWindowAndDrag) {
    struct Case { double left, width; int32_t start, end; double boxWidth; } cases[] = {
        {100, 200, 768, 2304, 200},        // plain
        {100, 10, 768, 960, 25},           // 192 ticks at least
        {100, 5000.0 / 7.68, 768, 4608, 500},  // 3840 at most
        {900, 200, 6144, 7680, 200},       // past the end: keeps its length, ends at the song end
    };
    for (const Case& c : cases) {
        const RollWindow w = WindowFromBox(c.left, c.width, 1000, 7680, 12);
        EXPECT_EQ(w.start, c.start) << c.left << " " << c.width;
        EXPECT_EQ(w.end, c.end) << c.left << " " << c.width;
        EXPECT_DOUBLE_EQ(w.boxWidth, c.boxWidth);
    }
    const BoxOutline r = DragEditorBox("R", 100, 200, 300 * 15, 960);
    EXPECT_DOUBLE_EQ(r.width, 500);
    const RollWindow w = WindowFromBox(r.left, r.width, 1000, 7680, 12);
    EXPECT_EQ(w.start, 768);
    EXPECT_EQ(w.end, 4608);
    EXPECT_DOUBLE_EQ(w.boxWidth, 500);
    EXPECT_DOUBLE_EQ(DragEditorBox("", 100, 200, -50 * 15, 960).guideX, 720);
    const BoxOutline l = DragEditorBox("L", 100, 200, 400 * 15, 960);
    EXPECT_DOUBLE_EQ(l.left, 295);
    EXPECT_DOUBLE_EQ(l.width, 5);
    EXPECT_EQ(EditorBoxZone(59, 200), "L");
    EXPECT_EQ(EditorBoxZone(2926, 200), "R");
    EXPECT_EQ(EditorBoxZone(2925, 200), "");
    EXPECT_EQ(NewNoteLengthFor(12), 24);
    EXPECT_EQ(NewNoteLengthFor(4), 24);
    EXPECT_EQ(NewNoteLengthFor(3), 6);
}

TEST(PianoRollGrid, BarNumbersAndSpacing) {
    Roll r;
    std::vector<GridLine> g = RollGrid(*r.song, 800, 2720, 960);
    ASSERT_FALSE(g.empty());
    auto firstBar = std::find_if(g.begin(), g.end(), [](const GridLine& l) { return l.bar; });
    EXPECT_EQ(firstBar->number, 6);
    EXPECT_DOUBLE_EQ(firstBar->x, 80);  // tick 960
    // Bars 48 pixels apart: every third number shows (96 pixels is not enough).
    g = RollGrid(*r.song, 0, 3840, 960);
    std::vector<int> shown;
    for (const GridLine& l : g)
        if (l.labelled) shown.push_back(l.number);
    EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 3), (std::vector<int>{1, 4, 7}));
    // A note (96, 48) in the window 0..1920 on 960 pixels.
    EXPECT_DOUBLE_EQ(TickX(96, 0, 1920, 960), 48);
    EXPECT_DOUBLE_EQ(TickX(96 + 48, 0, 1920, 960) - TickX(96, 0, 1920, 960), 24);
}

TEST(PianoRollWindow, VisibleRowsAndThePoolLimit) {
    Roll r;
    r.Add(1, 0, 96, 60, "ends at the start");
    r.Add(1, 50, 96, 60, "reaches in");
    r.Add(1, 1920, 48, 60, "starts at the end");
    EXPECT_EQ(VisibleRows(*r.song, 1, 96, 1920), (std::vector<int>{1}));
    EXPECT_LT(TickX(50, 96, 1824, 960), 0);
    for (int i = 0; i < 600; ++i) r.Add(1, 100 + i, 10, 60, "-");
    const std::vector<int> rows = VisibleRows(*r.song, 1, 96, 1920);
    ASSERT_EQ(rows.size(), 511u);
    EXPECT_EQ(rows.back(), 512);  // row 1 and rows 3 to 512
}

TEST(PianoRollPointer, SnapsAndPlaceholders) {
    // Canvas 960 pixels for 1920 ticks: 2 ticks a pixel.
    EXPECT_EQ(PointerTick(3, 960, 0, 1920, 12, false), 12);
    EXPECT_EQ(PointerTick(2.5, 960, 0, 1920, 12, false), 0);
    EXPECT_EQ(PointerTick(3, 960, 0, 1920, 12, true), 6);
    EXPECT_DOUBLE_EQ(SnapToStep(15, 6), 18);
    EXPECT_DOUBLE_EQ(SnapToStep(14, 6), 12);
    const char* placeholders[] = {"-", "-|-", "-|-|-", "-|-|-|-", "-|-|-|-|-", "-|-|-|-|-|-", "-|-|-|-|-|-|-"};
    for (int n = 0; n <= 6; ++n) EXPECT_EQ(MakeLyricPlaceholder(n), placeholders[n]);
    EXPECT_EQ(MakeLyricPlaceholder(9), placeholders[6]);
    int a = 3;
    double b = 7.6;
    SwapValues(a, b);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 3);
}

TEST(PianoRollDraw, ClickDragAndRefusals) {
    Roll r;
    int32_t length = 24, tick = 204;
    EXPECT_EQ(DrawNote(*r.song, r.journal, 1, 204, tick, 28, length, 1), DrawResult::Drawn);
    EXPECT_EQ(r.Row(1, 0).Start, 204);
    EXPECT_EQ(r.Row(1, 0).Length, 24);
    EXPECT_EQ(r.Row(1, 0).Pitch, 60);
    EXPECT_EQ(r.Lines().mid(1), (QStringList{"10020406000024-", U("0写入音符")}));
    EXPECT_EQ(r.song->Modified, -1);
    tick = 396;
    DrawNote(*r.song, r.journal, 1, 300, tick, 28, length, 1);
    EXPECT_EQ(length, 96);
    tick = 600;
    DrawNote(*r.song, r.journal, 1, 600, tick, 28, length, 3);
    EXPECT_EQ(r.Row(1, 2).Length, 96);
    EXPECT_EQ(r.Row(1, 2).Lyric, "-|-|-");
    // A backward drag: nothing written, no flag, the length kept.
    r.song->Modified = 0;
    const int entries = r.journal.ListCount();
    tick = 500;
    EXPECT_EQ(DrawNote(*r.song, r.journal, 1, 600, tick, 28, length, 1), DrawResult::Nothing);
    EXPECT_EQ(r.journal.ListCount(), entries);
    EXPECT_EQ(r.song->Modified, 0);
    EXPECT_EQ(length, 96);
    // A full part refuses.
    r.song->Parts[2].NoteCount = doc::kRowsPerPart;
    tick = 0;
    EXPECT_EQ(DrawNote(*r.song, r.journal, 2, 0, tick, 28, length, 1), DrawResult::Full);
    EXPECT_EQ(r.journal.ListCount(), entries);
}

TEST(PianoRollLabels, MoveResizeAndRange) {
    Roll r;
    r.Add(1, 96, 48, 60, "-", true);
    EXPECT_TRUE(MoveSelectedNotes(*r.song, r.journal, 1, 36, 0));
    EXPECT_EQ(r.Lines().mid(1), (QStringList{"10009606000048-J=00132", U("0移动音符")}));
    r.journal.Undo(*r.song);
    EXPECT_EQ(r.Row(1, 0).Start, 96);
    // Refused whole: a note before tick 0 or outside 21..108.
    r.Add(1, 400, 48, 107, "x", true);
    const int entries = r.journal.ListCount();
    EXPECT_FALSE(MoveSelectedNotes(*r.song, r.journal, 1, -100, 0));
    EXPECT_FALSE(MoveSelectedNotes(*r.song, r.journal, 1, 0, 2));
    EXPECT_EQ(r.journal.ListCount(), entries);
    EXPECT_EQ(r.Row(1, 1).Pitch, 107);
    EXPECT_TRUE(ResizeNote(*r.song, r.journal, 1, 0, 60, 96, 96));
    EXPECT_EQ(r.Lines().last(2), (QStringList{"10009606000048-Y=060J=00096L=00096", U("0调整音符")}));
    r.journal.Undo(*r.song);
    EXPECT_EQ(r.Row(1, 0).Length, 48);
    ResizeNote(*r.song, r.journal, 1, 0, 60, 96, 0);
    EXPECT_EQ(r.Row(1, 0).Length, 1);
    // The pitch of a dropped label follows the rows, not the label's own top.
    EXPECT_EQ(DroppedPitch(61, 526, 513, 19), 61);
    EXPECT_EQ(DroppedPitch(61, 526, 494, 19), 64);
    EXPECT_EQ(DroppedPitch(doc::kComment, 485, 400, 19), doc::kComment);
    // Shift range: every start from 96 to 480, 480 included.
    Roll s;
    for (int32_t t : {48, 96, 200, 384, 480, 481}) s.Add(1, t, 48, 60, "-");
    SelectRange(*s.song, 1, 96, 48, 384, 96);
    std::vector<int32_t> selected;
    for (int i = 0; i < 6; ++i)
        if (s.Row(1, i).Selected) selected.push_back(s.Row(1, i).Start);
    EXPECT_EQ(selected, (std::vector<int32_t>{96, 200, 384, 480}));
}

TEST(PianoRollLabels, EntryBoxSelection) {
    EXPECT_EQ(VerseSelection("a|b|c", 60, 1), std::make_pair(2, 1));
    EXPECT_EQ(VerseSelection("-", 60, 1), std::make_pair(0, 1));
    EXPECT_EQ(VerseSelection("a|b|c", 60, 2), std::make_pair(4, 1));
    EXPECT_EQ(VerseSelection("note", doc::kComment, 1), std::make_pair(0, 4));
    EXPECT_EQ(EntryTextFor(doc::kSentenceMarker, "abc"), "/t");
    EXPECT_EQ(EntryTextFor(doc::kComment, "note"), "/mnote");
    EXPECT_EQ(EntryTextFor(60, "la"), "la");
}

TEST(PianoRollMenu, ClipboardCommands) {
    Roll r;
    r.Add(1, 192, 48, 62, "b", true);
    r.Add(1, 96, 48, 60, "a", true);
    const QStringList clip = CopyNotes(*r.song, 1);
    EXPECT_EQ(clip, (QStringList{"00000192000048062b", "00000096000048060a"}));
    EXPECT_EQ(PasteNotes(*r.song, r.journal, 1, clip, 960), PasteResult::Pasted);
    EXPECT_EQ(r.Row(1, 2).Start, 1056);
    EXPECT_EQ(r.Row(1, 3).Start, 960);
    EXPECT_EQ(r.Row(1, 3).Selected, 0);
    EXPECT_EQ(r.Lines().mid(1), (QStringList{"10105606200048b", "10096006000048a", U("0粘贴音符")}));
    r.journal.Undo(*r.song);
    EXPECT_EQ(r.song->Parts[1].NoteCount, 2);
    r.song->Parts[1].NoteCount = doc::kRowsPerPart - 1;
    EXPECT_EQ(PasteNotes(*r.song, r.journal, 1, clip, 0), PasteResult::Full);
    r.song->Parts[1].NoteCount = 2;
    // Delete moves the last row into the freed one.
    r.Add(1, 300, 48, 64, "c");
    r.Row(1, 1).Selected = 0;
    EXPECT_TRUE(DeleteSelected(*r.song, r.journal, 1));
    EXPECT_EQ(r.song->Parts[1].NoteCount, 2);
    EXPECT_EQ(r.Row(1, 0).Lyric, "c");
}

// With no pitched note among the selection the step is still one journalled change: the header
// alone, after the redo tail is dropped, and the three flags.
TEST(PianoRollMenu, SemitoneAndClearLyricsWithoutPitchedNotesWriteTheirHeader) {
    struct Case { const char* name; bool itemSelected; } selections[] = {{"an item", true}, {"nothing", false}};
    struct Command { std::function<void(Roll&)> run; const char* header; } commands[] = {
        {[](Roll& r) { ShiftSemitone(*r.song, r.journal, 1, 1); }, "0升高半音"},
        {[](Roll& r) { ShiftSemitone(*r.song, r.journal, 1, -1); }, "0降低半音"},
        {[](Roll& r) { ClearLyrics(*r.song, r.journal, 1); }, "0清除歌词"},
    };
    for (const Case& c : selections) {
        for (const Command& cmd : commands) {
            SCOPED_TRACE(std::string(c.name) + " " + cmd.header);
            Roll r;
            r.Add(1, 0, 48, doc::kComment, "m", c.itemSelected);
            r.Add(1, 48, 48, 60, "a");
            // An undone step leaves a redo tail that the command drops.
            ShiftSemitone(*r.song, r.journal, 1, 1);
            r.journal.Undo(*r.song);
            r.song->Modified = r.song->PlayEventsStale = r.song->NeedsRetypeset = 0;
            cmd.run(r);
            EXPECT_EQ(r.Lines(), (QStringList{U("0无法撒消"), U(cmd.header)}));
            EXPECT_EQ(r.journal.UndoPosition, 1);
            EXPECT_EQ(r.song->Modified, -1);
            EXPECT_EQ(r.song->PlayEventsStale, -1);
            EXPECT_EQ(r.song->NeedsRetypeset, -1);
            EXPECT_EQ(r.Row(1, 0).Lyric, "m");
            EXPECT_EQ(r.Row(1, 1).Pitch, 60);
            // Undoing the empty step changes no note.
            r.journal.Undo(*r.song);
            EXPECT_EQ(r.journal.UndoPosition, 0);
            EXPECT_EQ(r.Row(1, 0).Pitch, doc::kComment);
            EXPECT_EQ(r.Row(1, 1).Pitch, 60);
        }
    }
}

// The menu stays inside the canvas's width and inside the band of the canvas that shows between the
// ruler and the title block.
TEST(PianoRollMenu, MenuOpensWhollyInsideTheShownBand) {
    struct Case { int x, y, top, bottom; std::pair<int, int> at; } cases[] = {
        {950, 980, 0, 989, {840, 789}},   // the whole canvas in view: its bottom right corner
        {-5, -5, 0, 989, {0, 0}},         // its top left
        {100, 550, 300, 600, {100, 400}}, // low in a scrolled canvas: above the title block
        {100, 250, 300, 600, {100, 300}}, // never above the band's top
        {100, 350, 300, 400, {100, 300}}, // a band lower than the menu shows its top
        {100, 320, 300, 600, {100, 320}}, // room enough: where it was asked
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceNoteMenu(c.x, c.y, 960, c.top, c.bottom, 120, 200), c.at) << c.x << "," << c.y;
}

TEST(PianoRollMenu, SemitoneLyricsAndState) {
    Roll r;
    r.Add(2, 0, 48, 108, "啊", true);
    r.Add(2, 0, 48, doc::kComment, "m", true);
    ShiftSemitone(*r.song, r.journal, 2, 1);
    EXPECT_EQ(r.Lines().mid(1), (QStringList{U("20000010800048啊Y=108"), U("0升高半音")}));
    EXPECT_EQ(r.Row(2, 0).Pitch, 108);
    ClearLyrics(*r.song, r.journal, 2);
    EXPECT_EQ(r.Row(2, 0).Lyric, "");
    EXPECT_EQ(r.Row(2, 1).Lyric, "m");
    Roll l;
    l.Add(1, 96, 48, 60, "c|", true);
    l.Add(1, 0, 48, 60, "a|x", true);
    l.Add(1, 192, 48, 62, "b|y", true);
    l.Add(1, 48, 48, 62, "d|z");
    EXPECT_EQ(CopyLyrics(*l.song, 1, 1), "x y ");
    // Three selected, a clipboard item and one journal entry.
    ShiftSemitone(*l.song, l.journal, 1, -1);
    MenuState m = NoteMenuState(*l.song, 1, 1, l.journal, true, true);
    for (int i = 0; i < kNoteMenuItems; ++i)
        EXPECT_EQ(m.enabled[i], i != 6 && i != 17 && i != 18) << i;
    l.Row(1, 0).Selected = 0;
    EXPECT_FALSE(NoteMenuState(*l.song, 1, 1, l.journal, true, true).enabled[5]);
    InvertSelection(*l.song, 1);
    EXPECT_EQ(SelectedCount(*l.song, 1), 2);
}
