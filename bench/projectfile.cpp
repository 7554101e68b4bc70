// Saving and loading a full song: 8 parts of 4096 notes, each with a lyric of several verses.
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
        doc::ProjectLoad r = doc::ReadProjectFile(path, song.get(), &extras);
        if (!r.Ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(r.LoadedSong.get());
    }
}
BENCHMARK(BM_LoadFullSong)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
