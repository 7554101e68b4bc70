// The Save and Open commands of the main window on a full song (8 parts of 4096 notes, each with a
// lyric of three verses): the file written from the window, and the file read, checked and applied
// to every control; and the MIDI import command on the same notes. Runs beside the program's files
// (the executable's folder).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/form1.h"
#include "document/midifile.h"
#include "support/fake_window.h"
#include "window_main.h"

namespace {

struct Window : FakeWindow {
    Window() { build(services(QCoreApplication::applicationDirPath())); }
};

void FillFullSong(doc::Song& song) {
    song.PartCount = doc::kMaxParts;
    const QString syllables = QStringLiteral("春风吹过大地山川河流");
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        doc::PartRecord& part = song.Parts[p];
        part.Name = QStringLiteral("声部%1").arg(p);
        part.NoteCount = doc::kRowsPerPart;
        for (int row = 0; row < doc::kRowsPerPart; ++row) {
            doc::NoteRecord& n = song.Notes[p][row];
            n.Start = row * 24;
            n.Length = 24;
            n.Pitch = uint8_t(48 + (row + p) % 36);
            n.Lyric = QString(syllables[row % 10]) + QLatin1Char('|') + syllables[(row + 3) % 10] +
                      QLatin1Char('|') + syllables[(row + 7) % 10];
            n.Selected = row % 5 == 0 ? -1 : 0;
        }
    }
}

void BM_SaveCommandFullSong(benchmark::State& state) {
    Window w;
    QTemporaryDir dir;
    FillFullSong(*w.form->song);
    w.form->song->ProjectPath = dir.filePath(QStringLiteral("full.brc"));
    for (auto _ : state) {
        w.form->Command2_Click(1);
        if (w.form->song->Modified) state.SkipWithError("save failed");
        w.form->song->Modified = -1;
    }
}
BENCHMARK(BM_SaveCommandFullSong)->Unit(benchmark::kMillisecond);

void BM_OpenCommandFullSong(benchmark::State& state) {
    Window w;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.brc"));
    FillFullSong(*w.form->song);
    w.form->song->ProjectPath = path;
    w.form->Command2_Click(1);
    for (auto _ : state) {
        w.form->song->Modified = 0;
        w.dialogs.fileAnswers.push_back(path);
        w.form->Command2_Click(2);
        if (w.form->song->PartCount != doc::kMaxParts) state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenCommandFullSong)->Unit(benchmark::kMillisecond);

// The import command (toolbar 9) on a MIDI file of 8 tracks × 4096 notes, each track into its own
// part: the file read and checked, the notes added, one journal line each, the strips arranged.
void BM_ImportCommandLargeFile(benchmark::State& state) {
    Window w;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.mid"));
    doc::Song& song = *w.form->song;
    FillFullSong(song);
    QStringList instruments;
    for (int i = 0; i < 128; ++i) instruments << QStringLiteral("乐器%1").arg(i);
    if (doc::ExportMidiFile(song, instruments, path)) {
        state.SkipWithError("export failed");
        return;
    }
    w.dialogs.fileAnswers.push_back(path);
    w.form->Command4_OpenMidi();
    for (int r = 1; r <= doc::kMaxParts; ++r) {
        w.form->Label17_Click(r);
        w.form->Combo4.SetListIndex(r);
    }
    for (auto _ : state) {
        state.PauseTiming();
        for (int p = 1; p <= doc::kMaxParts; ++p) song.Parts[p].NoteCount = 0;
        w.form->journal.Reset();
        state.ResumeTiming();
        w.form->Command4_ImportMidi();
        if (song.Parts[1].NoteCount != doc::kRowsPerPart) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportCommandLargeFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunWindowBenchmarks(argc, argv); }
