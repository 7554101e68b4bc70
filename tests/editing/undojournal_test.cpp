#include <gtest/gtest.h>

#include "document/newsong.h"
#include "editing/undojournal.h"
#include "support/text.h"

using namespace doc;
using editing::NoteLine;
using editing::UndoJournal;

namespace {

struct Fixture {
    std::unique_ptr<Song> song = Song::create();
    UndoJournal journal;
    int refreshes = 0, arranges = 0, nameShows = 0;

    Fixture() {
        NewProject(*song);
        journal.Reset();
        journal.RefreshPianoRoll = [this] { ++refreshes; };
        journal.ArrangePartStrips = [this] { ++arranges; };
        journal.ShowPartNames = [this] { ++nameShows; };
    }

    NoteRecord& Row(int part, int row) { return song->Notes[part][row]; }
    int Count(int part) const { return song->Parts[part].NoteCount; }

    // Appends a note as drawing, pasting or recording does, without journalling.
    void Put(int part, int32_t start, int pitch, int length, const QString& lyric) {
        NoteRecord& n = song->Notes[part][song->Parts[part].NoteCount++];
        n = NoteRecord{start, int16_t(length), uint8_t(pitch), lyric, 0};
    }

    // An adding command: appends the notes and journals them.
    void Add(int part, const std::vector<NoteRecord>& notes, const char* action) {
        journal.TruncateRedoTail();
        for (const NoteRecord& n : notes) {
            Put(part, n.Start, n.Pitch, n.Length, n.Lyric);
            journal.AddNoteLine(part, n);
        }
        journal.Commit(U(action));
    }

    // A changing command on one row: journals the old values with the tags given, then applies them.
    void Change(int part, int row, NoteLine tags, const char* action) {
        journal.TruncateRedoTail();
        NoteRecord& n = Row(part, row);
        tags.part = part;
        tags.start = n.Start;
        tags.pitch = n.Pitch;
        tags.length = n.Length;
        tags.lyric = n.Lyric;
        journal.AddNoteLine(tags);
        journal.Commit(U(action));
        if (tags.newStart) n.Start = *tags.newStart;
        if (tags.newLyric) n.Lyric = *tags.newLyric;
        if (tags.newPitch) n.Pitch = uint8_t(*tags.newPitch);
        if (tags.newLength) n.Length = int16_t(*tags.newLength);
    }

    void NameParts(int count) {
        song->PartCount = int16_t(count);
        for (int p = 1; p <= count; ++p) {
            song->Parts[p].Name = QString(QChar('A' + p - 1));
            song->Parts[p].NoteCount = 0;
            Put(p, 0, 60 + p, 48, song->Parts[p].Name);
        }
    }

    QString Names() const {
        QString s;
        for (int p = 1; p <= song->PartCount; ++p) s += song->Parts[p].Name;
        return s;
    }
};

}  // namespace

TEST(UndoJournal, DrawnNoteUndoAndRedo) {
    Fixture f;
    EXPECT_EQ(f.journal.listcx(), QStringList({U("0无法撒消")}));
    EXPECT_EQ(f.journal.UndoCaption(), U("无法撒消"));
    EXPECT_EQ(f.journal.RedoCaption(), U("无法恢复"));
    f.Add(1, {{96, 24, 60, "-", 0}}, "写入音符");
    EXPECT_EQ(f.journal.listcx(), QStringList({U("0无法撒消"), "10009606000024-", U("0写入音符")}));
    EXPECT_EQ(f.journal.UndoPosition, 2);
    EXPECT_EQ(f.journal.UndoCaption(), U("撒消写入音符"));

    f.song->Modified = 0;
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Count(1), 0);
    EXPECT_EQ(f.journal.UndoPosition, 0);
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
    EXPECT_EQ(f.refreshes, 1);  // part 1 is the current part
    EXPECT_EQ(f.journal.RedoCaption(), U("恢复写入音符"));

    f.journal.Redo(*f.song);
    ASSERT_EQ(f.Count(1), 1);
    EXPECT_EQ(f.Row(1, 0).Start, 96);
    EXPECT_EQ(f.Row(1, 0).Length, 24);
    EXPECT_FALSE(f.journal.CanRedo());
}

TEST(UndoJournal, UndoOfAPasteLeavesTheNotesThatWereThere) {
    Fixture f;
    f.Put(2, 0, 60, 48, "a");
    f.Put(2, 48, 62, 48, "b");
    f.Add(2, {{0, 48, 60, "a", 0}, {96, 48, 64, "c", 0}}, "粘贴音符");
    EXPECT_EQ(f.Count(2), 4);
    f.journal.Undo(*f.song);
    ASSERT_EQ(f.Count(2), 2);
    // The first identical row went; the last row took its place: the same set of notes.
    QStringList left = {f.Row(2, 0).Lyric + QString::number(f.Row(2, 0).Start),
                        f.Row(2, 1).Lyric + QString::number(f.Row(2, 1).Start)};
    left.sort();
    EXPECT_EQ(left, QStringList({"a0", "b48"}));
    EXPECT_EQ(f.refreshes, 0);  // part 2 is not the current part
}

TEST(UndoJournal, RemovingEntriesComeBackUnselected) {
    Fixture f;
    f.Put(1, 0, 60, 48, "x");
    f.Put(1, 48, 62, 48, "y");
    f.Row(1, 1).Selected = -1;
    // Deleting the selected note: journal, then move the last row into its place.
    f.journal.TruncateRedoTail();
    f.journal.AddNoteLine(1, f.Row(1, 1));
    f.journal.Commit(U("删除音符"));
    f.song->Parts[1].NoteCount = 1;
    f.journal.Undo(*f.song);
    ASSERT_EQ(f.Count(1), 2);
    EXPECT_EQ(f.Row(1, 1).Lyric, "y");
    EXPECT_EQ(f.Row(1, 1).Selected, 0);
    f.journal.Redo(*f.song);
    EXPECT_EQ(f.Count(1), 1);
    EXPECT_EQ(f.Row(1, 0).Lyric, "x");
}

TEST(UndoJournal, ChangingEntriesReplayTheirTags) {
    Fixture f;
    f.Put(1, 100, 108, 30, "a");
    NoteLine up;
    up.newPitch = 108;  // already at the top: logged with the same pitch
    f.Change(1, 0, up, "升高半音");
    EXPECT_EQ(f.journal.List(1), "10010010800030aY=108");
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Row(1, 0).Pitch, 108);

    NoteLine quantise;
    quantise.newStart = 96;
    quantise.newLength = 48;
    f.Change(1, 0, quantise, "量化对齐");
    EXPECT_EQ(f.journal.List(1), "10010010800030aJ=00096L=00048");
    EXPECT_EQ(f.journal.ListCount(), 3);  // the undone entry was dropped
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Row(1, 0).Start, 100);
    EXPECT_EQ(f.Row(1, 0).Length, 30);
    f.journal.Redo(*f.song);
    EXPECT_EQ(f.Row(1, 0).Start, 96);
    EXPECT_EQ(f.Row(1, 0).Length, 48);
}

TEST(UndoJournal, SeveralChangesToOneNoteUndoInReverse) {
    Fixture f;
    f.Put(1, 0, 60, 48, "a");
    f.journal.TruncateRedoTail();
    f.journal.AddNoteLine(NoteLine{1, 0, 60, 48, "a", 48, std::nullopt, std::nullopt, std::nullopt});
    f.journal.AddNoteLine(NoteLine{1, 48, 60, 48, "a", 96, std::nullopt, std::nullopt, std::nullopt});
    f.journal.Commit(U("时间拉升"));
    f.Row(1, 0).Start = 96;
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Row(1, 0).Start, 0);
    f.journal.Redo(*f.song);
    EXPECT_EQ(f.Row(1, 0).Start, 96);
    // An entry without lines only moves the position.
    f.journal.TruncateRedoTail();
    f.journal.Commit(U("量化对齐"));
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.journal.UndoPosition, 3);
    EXPECT_EQ(f.Row(1, 0).Start, 96);
}

TEST(UndoJournal, NotesChangedSinceAreSkipped) {
    Fixture f;
    f.Put(1, 0, 60, 48, "a");
    NoteLine up;
    up.newPitch = 61;
    f.Change(1, 0, up, "升高半音");
    f.Row(1, 0).Pitch = 70;  // changed again by hand
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Row(1, 0).Pitch, 70);
    EXPECT_EQ(f.journal.UndoPosition, 0);
}

// Redo writes the value undo then looks for, even where the journal line cannot carry it.
TEST(UndoJournal, ValuesTheLineCannotCarryStillUndoExactly) {
    Fixture f;
    f.Put(1, 123456, 60, 48, "a=b|S=c");
    NoteLine change;
    change.newStart = 100;
    change.newLyric = " d=e ";
    f.Change(1, 0, change, "修改歌词");
    for (int round = 0; round < 2; ++round) {
        f.journal.Undo(*f.song);
        EXPECT_EQ(f.Row(1, 0).Start, 123456);
        EXPECT_EQ(f.Row(1, 0).Lyric, "a=b|S=c");
        f.journal.Redo(*f.song);
        EXPECT_EQ(f.Row(1, 0).Start, 100);
        EXPECT_EQ(f.Row(1, 0).Lyric, " d=e ");
    }
    // Added notes with such values come and go exactly as well.
    f.Add(1, {{200000, 24, 64, "=", 0}}, "写入音符");
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Count(1), 1);
    f.journal.Redo(*f.song);
    ASSERT_EQ(f.Count(1), 2);
    EXPECT_EQ(f.Row(1, 1).Start, 200000);
    EXPECT_EQ(f.Row(1, 1).Lyric, "=");
}

TEST(UndoJournal, LinesReadFromTheirText) {
    NoteLine l = editing::ParseNoteLine(U("10009606000024啊|-J=00120L=00012Y=062S=哦|-"));
    EXPECT_EQ(std::tuple(l.part, l.start, l.pitch, l.length), std::tuple(1, 96, 60, 24));
    EXPECT_EQ(l.lyric, U("啊|-"));
    EXPECT_EQ(*l.newStart, 120);
    EXPECT_EQ(*l.newLength, 12);
    EXPECT_EQ(*l.newPitch, 62);
    EXPECT_EQ(*l.newLyric, U("哦|-"));
    l = editing::ParseNoteLine("30000006200048S=x");
    EXPECT_EQ(l.lyric, "");
    EXPECT_EQ(*l.newLyric, "x");
    EXPECT_FALSE(l.newStart.has_value());
    EXPECT_EQ(editing::NoteLineText(editing::ParseNoteLine(U("10009606000024啊S= 哦"))), U("10009606000024啊S= 哦"));
}

// The deleted part's line names its slot and its place, so undo, redo and undo again always act on it.
TEST(PartDeletion, DeletingAMiddlePartSwapsItIntoTheLastSlot) {
    Fixture f;
    f.NameParts(5);
    f.song->CurrentPart = 3;
    f.Add(3, {{96, 24, 60, "-", 0}}, "写入音符");
    f.Add(5, {{192, 24, 50, "-", 0}}, "写入音符");
    ASSERT_TRUE(f.journal.DeleteCurrentPart(*f.song));
    EXPECT_EQ(f.journal.listcx(), QStringList({U("0无法撒消"), "50009606000024-", U("0写入音符"),
                                               "30019205000024-", U("0写入音符"), "53", U("0删除声部")}));
    EXPECT_EQ(f.song->CurrentPart, 3);
    EXPECT_EQ(f.Names(), "ABED");
    EXPECT_EQ(f.song->Parts[5].Name, "C");
    EXPECT_EQ(f.journal.UndoCaption(), U("撒消删除声部"));

    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), "ABCDE");
    EXPECT_EQ(f.journal.List(1), "30009606000024-");
    EXPECT_EQ(f.arranges, 1);
    EXPECT_EQ(f.nameShows, 1);
    f.journal.Redo(*f.song);
    EXPECT_EQ(f.Names(), "ABED");
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), "ABCDE");
    // The drawn notes belong to their parts again.
    f.journal.Undo(*f.song);
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Count(3), 1);
    EXPECT_EQ(f.Row(3, 0).Lyric, "C");
    EXPECT_EQ(f.Count(5), 1);
    EXPECT_EQ(f.journal.UndoPosition, 0);
}

TEST(PartDeletion, TwoDeletionsUndoneAndRedone) {
    Fixture f;
    f.NameParts(6);
    f.song->CurrentPart = 5;
    f.journal.DeleteCurrentPart(*f.song);  // line "65"
    f.song->CurrentPart = 3;
    f.journal.DeleteCurrentPart(*f.song);  // line "53"
    EXPECT_EQ(f.Names(), "ABFD");
    f.journal.Undo(*f.song);
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), "ABCDEF");
    f.journal.Redo(*f.song);
    EXPECT_EQ(f.Names(), "ABCDF");
    f.journal.Redo(*f.song);
    EXPECT_EQ(f.Names(), "ABFD");
    EXPECT_EQ(f.song->Parts[5].Name, "C");
    EXPECT_EQ(f.song->Parts[6].Name, "E");
}

TEST(PartDeletion, TheLastPart) {
    Fixture f;
    f.NameParts(3);
    f.song->CurrentPart = 3;
    f.journal.DeleteCurrentPart(*f.song);
    EXPECT_EQ(f.journal.List(1), "33");
    EXPECT_EQ(f.song->CurrentPart, 2);
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), "ABC");
    f.song->PartCount = 1;
    EXPECT_FALSE(f.journal.DeleteCurrentPart(*f.song));
}
