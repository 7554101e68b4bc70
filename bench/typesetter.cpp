// The typesetter on the worst case: 8 parts × 4096 sixteenth notes, each with a syllable, laid out
// to fill the 25 A4 pages of the page window. Timed whole (preparation to the last glyph on the
// page images), the event preparation alone, and the layout into recording surfaces; and a song of
// the same notes that fills one page, typeset whole as the page window does it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontDatabase>
#include <map>

#include "document/newsong.h"
#include "document/timeline.h"
#include "platform/surface.h"
#include "typeset/geometry.h"
#include "typeset/measures.h"
#include "typeset/typesetter.h"

using namespace typeset;

namespace {

struct Worst {
    std::unique_ptr<doc::Song> song;
    TypesetInput in;
};

// 8 parts of sixteenth notes with syllables, set to fill `pages` A4 pages.
Worst MakeSong(int pages) {
    Worst w;
    w.song = doc::Song::create();
    doc::Song& song = *w.song;
    doc::NewProject(song);
    song.PartCount = 8;
    const QString syllables = QStringLiteral("晚风轻轻吹过窗星点照山岗");
    for (int p = 1; p <= 8; ++p) {
        doc::PartRecord& part = song.Parts[p];
        part.ShowInScore = 1;
        part.StripTop = int16_t(p * 100);
        part.Name = QStringLiteral("声部") + QString::number(p);
        part.NoteCount = int16_t(doc::kRowsPerPart * pages / kMaxPages);
        for (int i = 0; i < part.NoteCount; ++i) {
            doc::NoteRecord& n = song.Notes[p][i];
            n.Start = i * 12, n.Length = 12, n.Pitch = uint8_t(55 + (i * 5 + p * 3) % 26);
            n.Lyric = syllables.mid((i + p) % syllables.size(), 1);
        }
    }
    song.TempoChangeBpm[0] = 120;
    song.SongSeconds = song.Parts[1].NoteCount * 12 / (120 * 0.8);
    doc::RebuildTimeline(song, false);

    PageSetupInput panel;
    panel.Sizes = {"21", "29.7", "1.50", "1.50", "1.50", "1.50"};
    const FontSpec samples[7] = {{"宋体", 21.75}, {"宋体", 12}, {"黑体", 18}, {"黑体", 14.25, true},
                                 {"宋体", 12},    {"宋体", 10.5}, {"宋体", 10.5}};
    for (int i = 0; i < 7; ++i) panel.SampleHeights[i] = LabelTextSize(samples[i], "x").height();
    panel.DigitWidth = LabelTextSize(samples[2], "5").width();
    panel.ShownParts = 8;
    const PageSetupResult setup = ComputePageSetup(panel, song);
    TypesetInput& in = w.in;
    in.Song = w.song.get();
    in.Geometry = setup.Geometry;
    in.Geometry.LastPage = pages - 1;
    // The line table set so that the song fills exactly the pages.
    const int systems = in.Geometry.FirstPageSystems + (pages - 1) * in.Geometry.SystemsPerPage;
    const int bars = song.SongLength / 192;
    in.Lines.Starts.clear();
    for (int k = 0; k < systems; ++k) in.Lines.Starts.push_back(int32_t(k * bars / systems) * 192);
    in.Lines.Starts.push_back(song.SongLength);
    in.Lines.LastSystem = systems - 1;
    MarkStyle& st = in.Style;
    const QSize digit = LabelTextSize(samples[2], "5");
    st.W = digit.width(), st.H = digit.height(), st.HExact = digit.height();
    for (int i = 0; i < 7; ++i) st.Fonts.Samples[i] = samples[i];
    st.GlyphWidthO = MeasureGlyphWidth("o", samples[2].Size);
    st.GlyphWidthC = MeasureGlyphWidth("c", samples[2].Size);
    in.LyricSampleHeight = panel.SampleHeights[1];
    in.BarGlyphWidth = MeasureGlyphWidth("|", samples[2].Size);
    in.BracketGlyphWidth = MeasureGlyphWidth("w", samples[2].Size);
    in.PartNameWidth = GetMaxPartNameWidth(song, samples[3]);
    in.PartNames.assign(9, QString());
    for (int p = 1; p <= 8; ++p) in.PartNames[p] = song.Parts[p].Name;
    return w;
}

const Worst& WorstCase() {
    static const Worst w = MakeSong(kMaxPages);
    return w;
}

const Worst& OnePage() {
    static const Worst w = MakeSong(1);
    return w;
}

// The page window's typesetting: every page held, each drawn out on a worker once laid out.
void TypesetToPageImages(benchmark::State& state, const Worst& w) {
    const PageGeometry& g = w.in.Geometry;
    std::vector<std::unique_ptr<vb::PageSurface>> pages;
    for (int k = 0; k < kMaxPages; ++k) pages.push_back(std::make_unique<vb::PageSurface>(g.PaperWidth, g.PaperHeight));
    const auto surfaces = [&](int k) -> vb::Surface* { return k >= 0 && k < kMaxPages ? pages[k].get() : nullptr; };
    int lastPage = 0;
    std::vector<vb::PageSurface*> held;
    for (auto& p : pages) held.push_back(p.get());
    for (auto _ : state) {
        for (vb::PageSurface* p : held) p->BeginBatch();
        vb::HeldDrawing drawing;
        TypesetHooks hooks;
        hooks.Page = surfaces;
        hooks.PageFilled = [&](int page, const TypesetResult& sofar) {
            FinishPage(w.in, sofar, page, *held[page]);
            drawing.Post(held[page]);
        };
        const TypesetResult r = RunTypesetter(w.in, hooks);
        drawing.Finish(held);
        lastPage = r.LastPageDrawn;
        benchmark::DoNotOptimize(r.BeatBoxes.data());
    }
    state.counters["pages"] = lastPage + 1;
}

void BM_TypesetFullToPageImages(benchmark::State& state) { TypesetToPageImages(state, WorstCase()); }
BENCHMARK(BM_TypesetFullToPageImages)->Unit(benchmark::kMillisecond);

void BM_TypesetOnePageToPageImages(benchmark::State& state) { TypesetToPageImages(state, OnePage()); }
BENCHMARK(BM_TypesetOnePageToPageImages)->Unit(benchmark::kMillisecond);

// The layout alone onto the page surfaces, their drawing held (not drawn).
void BM_LayoutIntoHeldPages(benchmark::State& state) {
    const Worst& w = WorstCase();
    const PageGeometry& g = w.in.Geometry;
    std::vector<std::unique_ptr<vb::PageSurface>> pages;
    for (int k = 0; k < kMaxPages; ++k) pages.push_back(std::make_unique<vb::PageSurface>(g.PaperWidth, g.PaperHeight));
    const auto surfaces = [&](int k) -> vb::Surface* { return k >= 0 && k < kMaxPages ? pages[k].get() : nullptr; };
    TypesetHooks hooks;
    hooks.Page = surfaces;
    hooks.Finish = [&](const TypesetResult& r) { FinishPages(w.in, r, surfaces); };
    for (auto _ : state) {
        for (auto& p : pages) p->BeginBatch();
        const TypesetResult r = RunTypesetter(w.in, hooks);
        benchmark::DoNotOptimize(r.BeatBoxes.data());
        state.PauseTiming();
        vb::PageSurface::EndBatches({});
        for (auto& p : pages) p = std::make_unique<vb::PageSurface>(g.PaperWidth, g.PaperHeight);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LayoutIntoHeldPages)->Unit(benchmark::kMillisecond);

void BM_PrepareEvents(benchmark::State& state) {
    const Worst& w = WorstCase();
    for (auto _ : state) {
        const PreparedScore score = PrepareScore(*w.in.Song, w.in.Lines);
        benchmark::DoNotOptimize(score.TickGrid.data());
    }
}
BENCHMARK(BM_PrepareEvents)->Unit(benchmark::kMillisecond);

void BM_LayoutIntoRecordingSurfaces(benchmark::State& state) {
    const Worst& w = WorstCase();
    const PreparedScore score = PrepareScore(*w.in.Song, w.in.Lines);
    size_t calls = 0;
    for (auto _ : state) {
        std::map<int, vb::RecordingSurface> pages;
        TypesetHooks hooks;
        hooks.Page = [&](int k) -> vb::Surface* { return &pages[k]; };
        const TypesetResult r = LayOutScore(w.in, score, hooks);
        FinishPages(w.in, r, hooks.Page);
        calls = 0;
        for (const auto& [k, p] : pages) calls += p.Log().size();
    }
    state.counters["draw calls"] = double(calls);
}
BENCHMARK(BM_LayoutIntoRecordingSurfaces)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qapp(argc, argv);
    QFontDatabase::addApplicationFont(QCoreApplication::applicationDirPath() + "/Qelto.ttf");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
