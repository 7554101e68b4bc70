// Saving and loading a full song: 8 parts of 4096 notes, each with a lyric of several verses; and
// refusing a damaged copy of its file.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "document/projectfile.h"

namespace {

std::unique_ptr<doc::Song> FullSong() {
    auto song = doc::Song::create();
    song->PartCount = doc::kMaxParts;
    const QString syllables = QStringLiteral("春风吹过大地山川河流");
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        doc::PartRecord& part = song->Parts[p];
        part.Name = QStringLiteral("声部%1").arg(p);
        part.AudioFile = QStringLiteral("D:\\录音\\声部%1.mp3").arg(p);
        part.NoteCount = doc::kRowsPerPart;
        for (int row = 0; row < doc::kRowsPerPart; ++row) {
            doc::NoteRecord& n = song->Notes[p][row];
            n.Start = row * 24;
            n.Length = 24;
            n.Pitch = uint8_t(48 + (row + p) % 36);
            n.Lyric = QString(syllables[row % 10]) + QLatin1Char('|') + syllables[(row + 3) % 10] +
                      QLatin1Char('|') + syllables[(row + 7) % 10];
            n.Selected = row % 5 == 0 ? -1 : 0;
        }
    }
    song->TimeSigCodes[0] = 100;
    song->TempoChangeBpm[0] = 80.0f;
    return song;
}

// The save's own work: the whole file built in memory, every text converted to GBK.
void BM_BuildFullSongFile(benchmark::State& state) {
    auto song = FullSong();
    doc::ProjectExtras extras;
    for (auto _ : state) benchmark::DoNotOptimize(doc::BuildProjectFileBytes(*song, extras).size());
}
BENCHMARK(BM_BuildFullSongFile)->Unit(benchmark::kMillisecond);

// The whole save: built, written to a temporary file, flushed, synced to the disk and renamed.
void BM_SaveFullSong(benchmark::State& state) {
    auto song = FullSong();
    doc::ProjectExtras extras;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.brc"));
    for (auto _ : state) {
        doc::SaveResult r = doc::SaveProjectFile(path, *song, extras);
        if (!r.Ok) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveFullSong)->Unit(benchmark::kMillisecond);

// The load as Open does it: the file read and checked, then put into the song it replaces.
void BM_LoadFullSong(benchmark::State& state) {
    auto song = FullSong();
    doc::ProjectExtras extras;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.brc"));
    if (!doc::SaveProjectFile(path, *song, extras).Ok) {
        state.SkipWithError("save failed");
        return;
    }
    for (auto _ : state) {
        doc::ProjectLoad r = doc::ReadProjectContents(path, &extras);
        if (!r.Ok) state.SkipWithError("load failed");
        doc::ApplyLoadedSong(r.Loaded, *song);
    }
}
BENCHMARK(BM_LoadFullSong)->Unit(benchmark::kMillisecond);

// A file refused at its last check (a key change out of range), as the fuzzer meets most inputs.
void BM_RefuseDamagedFullSong(benchmark::State& state) {
    auto song = FullSong();
    QByteArray bytes = doc::BuildProjectFileBytes(*song, doc::ProjectExtras{});
    bytes[bytes.size() - 2] = char(99);
    for (auto _ : state) {
        doc::ProjectLoad r = doc::ParseProjectFile(bytes, QStringLiteral("/songs/full.brc"), song.get());
        if (r.Ok) state.SkipWithError("a damaged file was accepted");
    }
}
BENCHMARK(BM_RefuseDamagedFullSong)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
