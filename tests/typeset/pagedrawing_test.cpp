// The score drawn onto page pictures with held drawing, as the page window does it, against the
// same score drawn call by call onto fresh pictures.
#include <gtest/gtest.h>

#include <array>

#include "app/startup.h"
#include "marks_testing.h"
#include "platform/surface.h"
#include "support/songs.h"
#include "typeset/typesetter.h"

using namespace typeset;

namespace {

constexpr int kPages = 3;
using PageSet = std::array<std::unique_ptr<vb::PageSurface>, kPages>;

PageSet NewPages() {
    PageSet pages;
    for (auto& p : pages) p = std::make_unique<vb::PageSurface>(800, 1100);
    return pages;
}

// Two parts over 8 bars of 4/4, a note with a syllable on every beat; `shift` changes the pitches
// and the syllables. Lines of one bar: three systems on the first page, four on the others.
struct Score {
    std::unique_ptr<doc::Song> song = testsongs::NewSong();
    TypesetInput in;
    explicit Score(int shift) {
        song->TempoChangeBpm[0] = 80;
        song->SongSeconds = 8 * 192 / (80 * 0.8);
        const QString syllables = QStringLiteral("晚风轻吹过窗星点照山岗");
        for (int p = 1; p <= song->PartCount; ++p) song->Parts[p].ShowInScore = p <= 2 ? 1 : 0;
        for (int p = 1; p <= 2; ++p)
            for (int i = 0; i < 32; ++i) {
                doc::NoteRecord& n = song->Notes[p][song->Parts[p].NoteCount++];
                n.Start = i * 48, n.Length = 48, n.Pitch = uint8_t(48 + (i * 7 + p * 5 + shift) % 36);
                n.Lyric = syllables.mid((i + shift) % syllables.size(), 1);
            }
        doc::RebuildTimeline(*song, false);
        in.Song = song.get();
        in.Lines.Starts.clear();
        for (int32_t s = 0; s <= 8 * 192; s += 192) in.Lines.Starts.push_back(s);
        in.Lines.LastSystem = 7;
        PageGeometry& g = in.Geometry;
        g.LeftMargin = 50, g.TopMargin = 40, g.PrintableWidth = 700, g.PaperWidth = 800, g.PaperHeight = 1100;
        g.PartRowHeight = 70, g.PartRowGap = 10, g.SystemHeight = 200, g.SystemGap = 30, g.FirstPageSystemGap = 20;
        g.FirstPageTopOffset = 100, g.FirstPageSystems = 3, g.SystemsPerPage = 4, g.LastPage = kPages - 1;
        in.Style = markstest::Style(14, 24);
        in.LyricSampleHeight = 16;
        in.BarGlyphWidth = 4, in.BracketGlyphWidth = 10;
        in.PartNames = {"", "高音", "低音"};
    }
};

// Every call drawn at once.
void DrawAtOnce(const Score& score, PageSet& pages) {
    TypesetHooks hooks;
    hooks.Page = [&](int k) -> vb::Surface* { return k < kPages ? pages[k].get() : nullptr; };
    hooks.Finish = [&](const TypesetResult& r) { FinishPages(score.in, r, hooks.Page); };
    RunTypesetter(score.in, hooks);
}

// The page window's way: every page held, each drawn out on a worker once it is laid out.
void DrawHeld(const Score& score, PageSet& pages) {
    std::vector<vb::PageSurface*> held;
    for (auto& p : pages) held.push_back(p.get()), p->BeginBatch();
    vb::HeldDrawing drawing;
    TypesetHooks hooks;
    hooks.Page = [&](int k) -> vb::Surface* { return k < kPages ? held[k] : nullptr; };
    hooks.PageFilled = [&](int page, const TypesetResult& sofar) {
        FinishPage(score.in, sofar, page, *held[page]);
        drawing.Post(held[page]);
    };
    RunTypesetter(score.in, hooks);
    drawing.Finish(held);
}

}  // namespace

// The same pages typeset again on the same pictures, after another score went over them (widths
// measured, texts stored and laid out, held storage kept from the runs before), come out pixel for
// pixel as a fresh run drawing every call at once.
TEST(PageDrawing, HeldPagesDrawnAgainMatchAFreshRunPixelForPixel) {
    app::installFonts(PROGRAM_DIR);
    const Score first(0), other(5);
    PageSet fresh = NewPages(), freshOther = NewPages();
    DrawAtOnce(first, fresh);
    DrawAtOnce(other, freshOther);
    PageSet held = NewPages();
    for (const Score* s : {&first, &other, &first}) {
        DrawHeld(*s, held);
        const PageSet& want = s == &other ? freshOther : fresh;
        for (int k = 0; k < kPages; ++k) EXPECT_TRUE(held[k]->Image() == want[k]->Image()) << "page " << k;
    }
    // The pages are inked, and the two scores differ on each.
    const vb::PageSurface blank(800, 1100);
    for (int k = 0; k < kPages; ++k) {
        EXPECT_FALSE(fresh[k]->Image() == blank.Image()) << k;
        EXPECT_FALSE(fresh[k]->Image() == freshOther[k]->Image()) << k;
    }
}
