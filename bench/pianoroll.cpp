// The piano roll's refresh on a full part (4096 notes, 511 of them in a 3840-tick window), as the
// player runs it when the roll follows playback, and the undo of a 4096-note paste.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/form1.h"
#include "editing/pianoroll.h"
#include "support/fake_window.h"
#include "window_main.h"

namespace {

struct Window : FakeWindow {
    Window() { build(services(QCoreApplication::applicationDirPath())); }
};

// 511 notes inside ticks 0..3840, the rest after it.
void FillPart(doc::Song& song, int part) {
    song.Parts[part].NoteCount = doc::kRowsPerPart;
    for (int row = 0; row < doc::kRowsPerPart; ++row) {
        doc::NoteRecord& n = song.Notes[part][row];
        n.Start = row < 511 ? row * 7 : 3840 + row;
        n.Length = 6;
        n.Pitch = uint8_t(48 + row % 36);
        n.Lyric = QStringLiteral("啊|呀");
    }
}

void BM_RefreshPianoRollFullPart(benchmark::State& state) {
    Window w;
    app::Form1& f = *w.form;
    FillPart(*f.song, 1);
    f.Label14.Move(0, 0, 3840.0 / f.song->SongLength * f.Picture1.Width());
    f.Command4_Click(5);
    for (auto _ : state) f.RefreshPianoRoll();
    if (f.NoteLabelCount != 511) state.SkipWithError("not 511 labels");
}
BENCHMARK(BM_RefreshPianoRollFullPart)->Unit(benchmark::kMillisecond);

void BM_UndoPasteOf4096Notes(benchmark::State& state) {
    Window w;
    app::Form1& f = *w.form;
    FillPart(*f.song, 1);
    editing::SelectAllRows(*f.song, 1, -1);
    const QStringList clipboard = editing::CopyNotes(*f.song, 1);
    for (auto _ : state) {
        state.PauseTiming();
        f.song->Parts[2].NoteCount = 0;
        editing::PasteNotes(*f.song, f.journal, 2, clipboard, 0);
        state.ResumeTiming();
        f.journal.Undo(*f.song);
        if (f.song->Parts[2].NoteCount != 0) state.SkipWithError("undo left notes");
    }
}
BENCHMARK(BM_UndoPasteOf4096Notes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunWindowBenchmarks(argc, argv); }
