// The song core under load: the timeline rebuilt with every change list full, and a full song
// (8 parts of 4096 notes) built and walked in time order through the sorted list.
#include <benchmark/benchmark.h>

#include "document/lyrics.h"
#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/sortlist.h"
#include "platform/vbtext.h"

using namespace doc;

namespace {

// The longest song the settings allow (600 s at 180 per minute, 86400 ticks) with the
// change lists as full as the commands let them grow, entries listed out of order.
void FillChangeLists(Song& song) {
    song.SongSeconds = 600;
    song.TempoChangeBpm[0] = 180;
    song.TimeSigLastIndex = 19;
    for (int i = 1; i <= 19; ++i) {
        song.TimeSigTicks[i] = (20 - i) * 4000 + 7;
        song.TimeSigCodes[i] = TimeSigTextToCode(i % 2 ? "3/4" : "6/8");
    }
    song.TempoLastIndex = 39;
    for (int i = 1; i <= 39; ++i) {
        song.TempoChangeTicks[i] = (40 - i) * 2000;
        song.TempoChangeBpm[i] = 170.0f + float(i % 10);
    }
    song.KeyChangeLastIndex = 19;
    for (int i = 1; i <= 19; ++i) {
        song.KeyChangeTicks[i] = (20 - i) * 4000;
        song.KeyChangeKeys[i] = int16_t(i % 12 - 3);
    }
}

void BM_RebuildTimelineFullLists(benchmark::State& state) {
    auto song = Song::create();
    NewProject(*song);
    for (auto _ : state) {
        FillChangeLists(*song);
        RebuildTimeline(*song, true);
        benchmark::DoNotOptimize(song->SongLength);
    }
}
BENCHMARK(BM_RebuildTimelineFullLists);

void BM_RebuildTimelineAndRulerMarks(benchmark::State& state) {
    auto song = Song::create();
    NewProject(*song);
    for (auto _ : state) {
        FillChangeLists(*song);
        RebuildTimeline(*song, true);
        RulerMarks marks = ComputeRulerMarks(*song, 1800);
        benchmark::DoNotOptimize(marks.lines.data());
    }
}
BENCHMARK(BM_RebuildTimelineAndRulerMarks);

void FillNotes(Song& song) {
    song.PartCount = kMaxParts;
    for (int p = 1; p <= kMaxParts; ++p) {
        PartRecord& part = song.Parts[p];
        part.NoteCount = 0;
        for (int row = 0; row < kRowsPerPart; ++row) {
            NoteRecord& n = song.Notes[p][part.NoteCount++];
            // Rows in no time order, as editing leaves them.
            n.Start = int32_t((row * 2731) % kRowsPerPart) * 21;
            n.Length = 21;
            n.Pitch = uint8_t(48 + (row + p) % 36);
            n.Lyric = QString::fromUtf8("啦|-|");
            SetVerseText(n.Lyric, 2, QString::number(row % 10), 3);
            n.Selected = 0;
        }
    }
}

void BM_BuildFullSong(benchmark::State& state) {
    auto song = Song::create();
    for (auto _ : state) {
        NewProject(*song);
        FillNotes(*song);
        benchmark::DoNotOptimize(song->Notes[8][4095].Lyric.size());
    }
}
BENCHMARK(BM_BuildFullSong)->Unit(benchmark::kMillisecond);

void BM_WalkFullSongInTimeOrder(benchmark::State& state) {
    auto song = Song::create();
    NewProject(*song);
    FillNotes(*song);
    for (auto _ : state) {
        SortList list;
        for (int p = 1; p <= song->PartCount; ++p)
            for (int row = 0; row < song->Parts[p].NoteCount; ++row)
                list.AddItem(vb::Format(song->Notes[p][row].Start, "00000000") + vb::Format(p, "0") +
                             vb::Format(row, "0000"));
        int64_t sum = 0;
        for (int i = 0; i < list.ListCount(); ++i) {
            const QString& item = list.List(i);
            const NoteRecord& n = song->Notes[item.mid(8, 1).toInt()][item.mid(9, 4).toInt()];
            sum += n.Start + n.Pitch;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_WalkFullSongInTimeOrder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
