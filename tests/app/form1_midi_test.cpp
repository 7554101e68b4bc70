// MIDI files through the main window: the import panel (open, rows, target chooser, import) and the
// export command, with scripted dialogs over files written by the tests.
#include "app/form1_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QtTest/QTest>
#include <tuple>

#include "app/startup.h"
#include "document/midifile.h"

using namespace app;

namespace {

QByteArray be(uint32_t value, int width) {
    QByteArray out;
    for (int i = width - 1; i >= 0; --i) out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

// A format-1 file with the given division and track data.
QByteArray smf(int division, const QList<QByteArray>& tracks) {
    QByteArray out = "MThd" + be(6, 4) + be(1, 2) + be(tracks.size(), 2) + be(division, 2);
    for (const QByteArray& t : tracks) out += "MTrk" + be(t.size(), 4) + t;
    return out;
}

const QByteArray kEnd = Hex("00 FF 2F 00");
// A half note of middle C at division 96.
const QByteArray kExampleTrack = Hex("00 90 3C 64 81 40 80 3C 40 00 FF 2F 00");

using NoteKey = std::tuple<int, int, int, QString>;  // start, length, pitch, lyric

std::vector<NoteKey> notesOf(const doc::Song& s, int part) {
    std::vector<NoteKey> out;
    for (int i = 0; i < s.Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& n = s.Notes[part][i];
        out.emplace_back(n.Start, n.Length, n.Pitch, n.Lyric);
    }
    return out;
}

QStringList instrumentsOf(const Form1& f) {
    QStringList names;
    for (int i = 0; i < f.List3.ListCount(); ++i) names << f.List3.List(i);
    return names;
}

}  // namespace

class Form1MidiTest : public Form1Test {
protected:
    // Toolbar 4 with the open dialog answering the file `name` of the test folder.
    void openMidi(const QString& name) {
        dialogs.fileAnswers.push_back(path(name));
        form->Command4[4].PerformClick();
    }
    // Opens the chooser on `row` and picks entry `entry`, as the user does.
    void assign(int row, int entry) {
        form->Label17_Click(row);
        form->Combo4.SetListIndex(entry);
    }
    void clearFlags() { form->song->Modified = form->song->PlayEventsStale = form->song->NeedsRetypeset = 0; }
};

TEST_F(Form1MidiTest, OpenListsTheTracksAndTheTargets) {
    Form1& f = start();
    write("two.mid", smf(96, {kEnd, kExampleTrack}));
    openMidi("two.mid");
    EXPECT_EQ(dialogs.calls.back().file.filter, "软件合成音乐(*.mid)|*.mid");
    EXPECT_TRUE(f.Picture10.Visible());
    EXPECT_EQ(f.Check7[17].Caption(), "96");
    for (int r = 0; r < 16; ++r) {
        EXPECT_EQ(f.Label17[r].Visible(), r < 2) << r;
        EXPECT_EQ(f.Label17[r].Caption(), "不导入") << r;
    }
    // Data lengths and 1-based data positions: the second track's data follows the 14-byte header,
    // the first chunk (8 + 4) and its own 8-byte chunk head.
    EXPECT_EQ(f.Label8[1].Caption(), "13");
    EXPECT_EQ(f.Label8[1].Tag, "35");
    QStringList entries;
    for (int i = 0; i < f.Combo4.ListCount(); ++i) entries << f.Combo4.List(i);
    EXPECT_EQ(entries, (QStringList{"不导入", "领唱 1", "女高 2", "女低 3", "男高 4", "男低 5"}));
}

TEST_F(Form1MidiTest, TheEntrysPartNumberIsTheTarget) {
    Form1& f = start();
    // Part 3's strip above part 1's.
    f.song->Parts[3].StripTop = 0;
    f.song->Parts[1].StripTop = 50;
    f.song->Parts[2].StripTop = 100;
    write("two.mid", smf(96, {kEnd, kExampleTrack}));
    openMidi("two.mid");
    EXPECT_EQ(f.Combo4.List(1), "女低 3");
    assign(1, 1);
    f.Command4[9].PerformClick();
    EXPECT_EQ(f.song->Parts[3].NoteCount, 1);
    EXPECT_EQ(f.song->Parts[1].NoteCount, 0);
}

TEST_F(Form1MidiTest, DamagedFilesShowTheErrorAndLeaveThePanelAsItWas) {
    Form1& f = start();
    write("two.mid", smf(96, {kEnd, kExampleTrack}));
    openMidi("two.mid");
    assign(1, 2);
    QByteArray truncated = smf(96, {kEnd, kExampleTrack});
    truncated.chop(3);
    const QList<QByteArray> damaged = {smf(0, {kExampleTrack}), truncated, QByteArray()};
    for (int i = 0; i < damaged.size(); ++i) {
        const QString name = QString("bad%1.mid").arg(i);
        write(name, damaged[i]);
        const size_t before = dialogs.MsgBoxCalls().size();
        openMidi(name);
        const auto calls = dialogs.MsgBoxCalls();
        ASSERT_EQ(calls.size(), before + 1) << i;
        EXPECT_EQ(calls.back().prompt, "Midi文件读取错误。") << i;
        EXPECT_EQ(calls.back().title, "提示") << i;
        // The panel still lists the file opened before, with its target.
        EXPECT_TRUE(f.Picture10.Visible()) << i;
        EXPECT_EQ(f.Label17[1].Caption(), "女高 2") << i;
        EXPECT_FALSE(f.Label17[2].Visible()) << i;
    }
    // And the import still reads that file.
    f.Command4[9].PerformClick();
    EXPECT_EQ(notesOf(*f.song, 2), (std::vector<NoteKey>{{0, 96, 60, "-"}}));
}

TEST_F(Form1MidiTest, CancelledOrDamagedOpenWithThePanelClosedChangesNothing) {
    Form1& f = start();
    f.Command4[4].PerformClick();  // no answer queued: cancelled
    EXPECT_FALSE(f.Picture10.Visible());
    EXPECT_TRUE(dialogs.MsgBoxCalls().empty());
    write("bad.mid", smf(0, {kExampleTrack}));
    openMidi("bad.mid");
    EXPECT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_FALSE(f.Picture10.Visible());
    // Nothing was opened, so the import has nothing to read.
    f.Command4_Click(9);
    EXPECT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    for (int p = 1; p <= 5; ++p) EXPECT_EQ(f.song->Parts[p].NoteCount, 0);
    EXPECT_EQ(f.journal.ListCount(), 1);
}

TEST_F(Form1MidiTest, OpeningAnotherFileResetsEveryRow) {
    Form1& f = start();
    write("three.mid", smf(96, {kExampleTrack, kExampleTrack, kExampleTrack}));
    write("one.mid", smf(96, {kExampleTrack}));
    openMidi("three.mid");
    assign(0, 1);
    assign(1, 2);
    openMidi("one.mid");
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(f.Label17[r].Caption(), "不导入") << r;
        EXPECT_EQ(f.Label17[r].Tag, "0") << r;
    }
    f.Command4[9].PerformClick();
    for (int p = 1; p <= 5; ++p) EXPECT_EQ(f.song->Parts[p].NoteCount, 0) << p;
}

TEST_F(Form1MidiTest, TheChooserFloatsOverItsRowAndStoresOnlyAPick) {
    Form1& f = start();
    write("three.mid", smf(96, {kExampleTrack, kExampleTrack, kExampleTrack}));
    openMidi("three.mid");
    f.show();
    QTest::mouseClick(f.Label17[1].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.Combo4.Top(), f.Label17[1].Top());
    EXPECT_EQ(f.Label17[1].Caption(), "不导入");  // the parked chooser stored nothing
    f.Combo4.SetListIndex(4);
    EXPECT_EQ(f.Label17[1].Caption(), "男高 4");
    EXPECT_EQ(f.Label17[1].Tag, "4");
    EXPECT_EQ(f.Combo4.Top(), -200);
    // Opening the row again shows its entry; a click on the panel parks the chooser unstored.
    f.Label17_Click(1);
    EXPECT_EQ(f.Combo4.ListIndex(), 4);
    f.Picture10_Click();
    EXPECT_EQ(f.Combo4.Top(), -200);
    f.Combo4.SetListIndex(2);
    EXPECT_EQ(f.Label17[1].Caption(), "男高 4");
    // Moved from one row to another, the chooser leaves the first row alone.
    assign(2, 3);
    f.Label17_Click(0);
    f.Label17_Click(2);
    EXPECT_EQ(f.Label17[0].Caption(), "不导入");
    f.Combo4.SetListIndex(5);
    EXPECT_EQ(f.Label17[2].Caption(), "男低 5");
    EXPECT_EQ(f.Label17[0].Tag, "0");
}

TEST_F(Form1MidiTest, ExampleTrackImportsIntoPartOne) {
    Form1& f = start();
    write("two.mid", smf(96, {kEnd, kExampleTrack}));
    openMidi("two.mid");
    assign(1, 1);
    clearFlags();
    const int before = f.journal.ListCount();
    f.Command4[9].PerformClick();

    EXPECT_EQ(notesOf(*f.song, 1), (std::vector<NoteKey>{{0, 96, 60, "-"}}));
    ASSERT_EQ(f.journal.ListCount(), before + 2);
    EXPECT_EQ(f.journal.List(before), "10000006000096-");
    EXPECT_EQ(f.journal.List(before + 1), "0导入MIDI");
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->PlayEventsStale, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
    EXPECT_FALSE(f.Picture10.Visible());
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].prompt, "导入完成");
    EXPECT_EQ(calls[0].title, "提示");

    // Undone, the import is the redo tail; a second import drops it.
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.song->Parts[1].NoteCount, 0);
    openMidi("two.mid");
    assign(1, 3);
    f.Command4[9].PerformClick();
    ASSERT_EQ(f.journal.ListCount(), 3);
    EXPECT_EQ(f.journal.List(1), "30000006000096-");
    EXPECT_FALSE(f.journal.CanRedo());
}

TEST_F(Form1MidiTest, ImportReadsTheOpenedFileWhateverTheDialogLastShowed) {
    Form1& f = start();
    write("two.mid", smf(96, {kEnd, kExampleTrack}));
    write("other.mid", smf(96, {kEnd, Hex("00 90 48 64 60 80 48 40 00 FF 2F 00")}));
    openMidi("two.mid");
    assign(1, 1);
    // Another command uses the shared dialog in between.
    f.CommonDialog1.FileName = path("other.mid");
    f.Command4[9].PerformClick();
    EXPECT_EQ(notesOf(*f.song, 1), (std::vector<NoteKey>{{0, 96, 60, "-"}}));
}

TEST_F(Form1MidiTest, FileGoneBeforeTheImportChangesNothing) {
    Form1& f = start();
    write("two.mid", smf(96, {kEnd, kExampleTrack}));
    openMidi("two.mid");
    assign(1, 1);
    ASSERT_TRUE(QFile::remove(path("two.mid")));
    clearFlags();
    const QStringList journalBefore = f.journal.listcx();
    f.Command4[9].PerformClick();
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].prompt, "Midi文件读取错误。");
    EXPECT_EQ(f.song->Parts[1].NoteCount, 0);
    EXPECT_EQ(f.song->Modified, 0);
    EXPECT_EQ(f.journal.listcx(), journalBefore);
}

TEST_F(Form1MidiTest, ExportOfOneNoteSong) {
    Form1& f = start();
    for (int p = 2; p <= 5; ++p) f.Check1[20 + p].SetValue(0);  // MIDI switches of parts 2..5 off
    f.song->Parts[1].NoteCount = 1;
    f.song->Notes[1][0] = doc::NoteRecord{0, 48, 60, "-", 0};
    dialogs.fileAnswers.push_back(path("out.mid"));
    f.Command2[8].PerformClick();
    EXPECT_EQ(dialogs.calls.at(dialogs.calls.size() - 2).file.filter, "软件合成音乐(*.mid)|*.mid");
    EXPECT_EQ(dialogs.calls.back().kind, "Beep");
    const QByteArray bytes = read("out.mid");
    EXPECT_TRUE(bytes.startsWith(Hex("4D 54 68 64 00 00 00 06 00 01 00 02 03 C0")));
    EXPECT_TRUE(bytes.endsWith(Hex("00 C1 00 00 B1 0A 40 00 B1 07 64 00 91 3C 50 87 40 81 3C 40 00 FF 2F 00")));
    EXPECT_EQ(bytes, doc::BuildMidiFile(*f.song, instrumentsOf(f)));
}

TEST_F(Form1MidiTest, ExportAsksBeforeWritingOverAFileAndReportsAFailure) {
    Form1& f = start();
    f.Command2_Click(8);  // no answer: cancelled
    write("old.mid", QByteArray(5000, 'x'));
    dialogs.fileAnswers.push_back(path("old.mid"));
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.Command2_Click(8);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, "已经存在的文件。是否覆盖?");
    EXPECT_EQ(read("old.mid"), QByteArray(5000, 'x'));
    // Yes writes the whole file anew, with no old tail.
    dialogs.fileAnswers.push_back(path("old.mid"));
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    f.Command2_Click(8);
    EXPECT_EQ(read("old.mid"), doc::BuildMidiFile(*f.song, instrumentsOf(f)));
    // A file that cannot be written: the error text, no beep, nothing written.
    const QString target = path("no such folder/out.mid");
    dialogs.fileAnswers.push_back(target);
    f.Command2_Click(8);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 3u);
    EXPECT_FALSE(dialogs.MsgBoxCalls().back().prompt.isEmpty());
    EXPECT_NE(dialogs.calls.back().kind, "Beep");
    EXPECT_FALSE(QFileInfo::exists(target));
}

// The import panel as the user sees it, saved when CHOIR_MIDI_SCREENSHOT names a file.
TEST_F(Form1MidiTest, Screenshot) {
    const QByteArray target = qgetenv("CHOIR_MIDI_SCREENSHOT");
    if (target.isEmpty()) GTEST_SKIP() << "CHOIR_MIDI_SCREENSHOT not set";
    app::installFonts(PROGRAM_DIR);
    Form1& f = start();
    write("song.mid", smf(96, {kEnd, kExampleTrack, kExampleTrack, kEnd}));
    f.show();
    openMidi("song.mid");
    assign(1, 1);
    assign(2, 3);
    f.Label17_Click(3);
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.grab().save(QString::fromLocal8Bit(target)));
}

TEST_F(Form1MidiTest, RunningStatusAcrossEventsImportsAndNotesWithoutAPlaceRefuseTheFile) {
    Form1& f = start();
    f.show();
    // The half note of the example, its note-off in running status after a text event and a stray F8.
    write("running.mid", smf(96, {Hex("00 90 3C 64 00 FF 01 01 41 00 F8 81 40 3C 00") + kEnd}));
    write("high.mid", smf(96, {Hex("00 90 3C 64 00 90 6D 64") + kEnd}));  // key 109 has no row
    auto importInto = [&](const char* name, int part) {
        dialogs.fileAnswers.push_back(path(name));
        QTest::mouseClick(f.Command4[4].widget(), Qt::LeftButton);
        assign(0, part);
        dialogs.calls.clear();
        QTest::mouseClick(f.Command4[9].widget(), Qt::LeftButton);
        return dialogs.MsgBoxCalls().empty() ? QString() : dialogs.MsgBoxCalls().back().prompt;
    };
    EXPECT_EQ(importInto("running.mid", 1), "导入完成");
    EXPECT_EQ(notesOf(*f.song, 1), (std::vector<NoteKey>{{0, 96, 60, "-"}}));
    const QStringList journal = f.journal.listcx();
    clearFlags();
    EXPECT_EQ(importInto("high.mid", 1), "Midi文件读取错误。");
    EXPECT_EQ(f.song->Parts[1].NoteCount, 1);
    EXPECT_EQ(f.song->Modified, 0);
    EXPECT_EQ(f.journal.listcx(), journal);
}

TEST_F(Form1MidiTest, ATrackLongerThanAPartStopsAtItsLastRowAndTheMessageSaysWhere) {
    Form1& f = start();
    f.show();
    QByteArray track;
    for (int i = 0; i < doc::kRowsPerPart + 4; ++i) track += Hex("00 90 3C 50 60 80 3C 40");
    write("long.mid", smf(96, {kEnd, track + kEnd}));
    dialogs.fileAnswers.push_back(path("long.mid"));
    QTest::mouseClick(f.Command4[4].widget(), Qt::LeftButton);
    assign(1, 2);
    const int before = f.journal.ListCount();
    QTest::mouseClick(f.Command4[9].widget(), Qt::LeftButton);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, "导入完成，但声部最多4096个音符：音轨2截断，4个音符没有导入。");
    ASSERT_EQ(f.song->Parts[2].NoteCount, doc::kRowsPerPart);
    const doc::NoteRecord& last = f.song->Notes[2][doc::kRowsPerPart - 1];
    EXPECT_EQ(std::make_tuple(last.Start, last.Length, int(last.Pitch)), std::make_tuple(4095 * 48, 48, 60));
    EXPECT_EQ(f.journal.ListCount(), before + doc::kRowsPerPart + 1);
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.song->Parts[2].NoteCount, 0);
}

// The chooser's list is opened, pointed at and picked from with the mouse alone.
TEST_F(Form1MidiTest, TheChoosersListTakesTheMouse) {
    Form1& f = start();
    write("three.mid", smf(96, {kExampleTrack, kExampleTrack, kExampleTrack}));
    openMidi("three.mid");
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.Label17[1].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    auto* combo = static_cast<QComboBox*>(f.Combo4.widget());
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(combo->width() - 5, combo->height() / 2));
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(view->isVisible());
    ASSERT_EQ(combo->itemText(2), "女高 2");
    const QPoint item = view->visualRect(view->model()->index(2, 0)).center();
    QTest::mouseMove(view->viewport(), item);
    EXPECT_EQ(view->currentIndex().row(), 2);  // the entry under the pointer is highlighted
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, item);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, item);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(f.Label17[1].Caption(), "女高 2");
    EXPECT_EQ(f.Label17[1].Tag, "2");
    EXPECT_EQ(f.Combo4.Top(), -200);
}
