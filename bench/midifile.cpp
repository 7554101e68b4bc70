// MIDI import of a large file and export of a full song.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "document/midifile.h"

using namespace doc;

namespace {

// Eight parts of 4096 notes each, every part a different run of keys.
std::unique_ptr<Song> fullSong() {
    auto s = Song::create();
    s->PartCount = 8;
    s->TimeSigCodes[0] = 100;
    s->TempoChangeBpm[0] = 80.0f;
    for (int p = 1; p <= 8; ++p) {
        s->Parts[p].Name = QString("声部%1").arg(p);
        s->Parts[p].MidiOn = 1;
        for (int i = 0; i < kRowsPerPart; ++i)
            s->Notes[p][i] = NoteRecord{i * 24, 24, uint8_t(36 + (i * 7 + p) % 60), "-", 0};
        s->Parts[p].NoteCount = kRowsPerPart;
    }
    return s;
}

QStringList names() {
    QStringList n;
    for (int i = 0; i < 128; ++i) n << QString("乐器%1").arg(i);
    return n;
}

void BM_ImportLargeFile(benchmark::State& state) {
    const QByteArray bytes = BuildMidiFile(*fullSong(), names());
    auto target = Song::create();
    target->PartCount = 8;
    const std::vector<int> targets{0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        for (int p = 1; p <= 8; ++p) target->Parts[p].NoteCount = 0;
        auto file = ParseMidiFile(bytes);
        auto result = ImportMidiTracks(*target, *file, targets);
        benchmark::DoNotOptimize(result.Actions.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["notes"] = 8 * kRowsPerPart;
}
BENCHMARK(BM_ImportLargeFile)->Unit(benchmark::kMillisecond);

void BM_BuildFullSong(benchmark::State& state) {
    auto song = fullSong();
    const QStringList n = names();
    for (auto _ : state) benchmark::DoNotOptimize(BuildMidiFile(*song, n).size());
}
BENCHMARK(BM_BuildFullSong)->Unit(benchmark::kMillisecond);

void BM_ExportFullSongToFile(benchmark::State& state) {
    auto song = fullSong();
    const QStringList n = names();
    QTemporaryDir dir;
    const QString path = dir.filePath("full.mid");
    for (auto _ : state) benchmark::DoNotOptimize(ExportMidiFile(*song, n, path).has_value());
}
BENCHMARK(BM_ExportFullSongToFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
