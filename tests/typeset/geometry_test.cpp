// Page geometry, line breaks, page count and page numbers over plain values.
#include <gtest/gtest.h>

#include <tuple>

#include "document/songcodes.h"
#include "support/songs.h"
#include "typeset/geometry.h"
#include "typeset/metrics.h"

using namespace typeset;

namespace {

// The panel at its defaults: A4, margins "1.50", default fonts and sliders, five parts, one verse.
PageSetupInput DefaultPanel() {
    PageSetupInput in;
    in.Sizes = {"21", "29.7", "1.50", "1.50", "1.50", "1.50"};
    const FontSpec samples[7] = {{"宋体", 21.75}, {"宋体", 12}, {"黑体", 18}, {"黑体", 14.25, true},
                                 {"宋体", 12},    {"宋体", 10.5}, {"宋体", 10.5}};
    for (int i = 0; i < 7; ++i) in.SampleHeights[i] = LabelTextSize(samples[i], "x").height();
    in.DigitWidth = LabelTextSize(samples[2], "5").width();
    in.ShownParts = 5;
    return in;
}

// A song of `bars` bars of 4/4.
std::unique_ptr<doc::Song> BarsOf44(int bars) {
    auto song = testsongs::NewSong();
    song->TempoChangeBpm[0] = 80;
    song->SongSeconds = bars * 192 / (80 * 0.8);
    doc::RebuildTimeline(*song, false);
    EXPECT_EQ(song->SongLength, bars * 192);
    return song;
}

}  // namespace

TEST(Metrics, DesignFontsMeasureHalfAnEmPerHalfWidthCharacter) {
    EXPECT_EQ(LabelTextSize({"黑体", 18}, "5"), QSize(12, 24));
    EXPECT_EQ(LabelTextSize({"宋体", 18}, "[歌曲名]"), QSize(96, 24));
    EXPECT_EQ(LabelTextSize({"宋体", 9.75}, ""), QSize(0, 13));
}

TEST(PageGeometry, PaperAndPrintableSizes) {
    auto song = testsongs::NewSong(true);
    struct Case {
        bool landscape;
        const char *top, *bottom, *left, *right;
        int paperW, paperH, printW, printH, rightEdge;
    } cases[] = {
        {false, "1.50", "1.50", "1.50", "1.50", 796, 1126, 682, 1012, 739},
        {true, "1.50", "1.50", "1.50", "1.50", 1126, 796, 1012, 682, 1069},
        {true, "1", "1", "3", "1", 1126, 796, 974, 720, 1088},
    };
    for (const Case& c : cases) {
        PageSetupInput in = DefaultPanel();
        in.Landscape = c.landscape;
        in.Sizes = {"21", "29.7", c.top, c.bottom, c.left, c.right};
        const PageSetupResult r = ComputePageSetup(in, *song);
        ASSERT_EQ(r.Stop, SetupStop::None);
        const PageGeometry& g = r.Geometry;
        EXPECT_EQ(g.PaperWidth, c.paperW);
        EXPECT_EQ(g.PaperHeight, c.paperH);
        EXPECT_EQ(g.PrintableWidth, c.printW);
        EXPECT_EQ(g.PrintableHeight, c.printH);
        EXPECT_EQ(g.LeftMargin + g.PrintableWidth, c.rightEdge);
    }
    EXPECT_EQ(ComputePageSetup(DefaultPanel(), *song).Geometry.LeftMargin, 57);
}

TEST(PageGeometry, Refusals) {
    auto song = testsongs::NewSong(true);
    PageSetupInput in = DefaultPanel();
    in.Sizes[1] = "255.5";
    EXPECT_EQ(ComputePageSetup(in, *song).Stop, SetupStop::OutOfRange);
    EXPECT_EQ(SetupStopMessage(SetupStop::OutOfRange), "长度数值超出范围");
    in.Sizes[1] = "255.4";
    EXPECT_EQ(ComputePageSetup(in, *song).Stop, SetupStop::None);
    in.Sizes[1] = "29.7";
    in.Sizes[2] = "-0.4";  // 0 after rounding: passes
    EXPECT_EQ(ComputePageSetup(in, *song).Stop, SetupStop::None);
    in = DefaultPanel();
    in.Sizes[0] = "6.9";  // printable 148 pixels wide
    EXPECT_EQ(ComputePageSetup(in, *song).Stop, SetupStop::PageTooSmall);
    EXPECT_EQ(SetupStopMessage(SetupStop::PageTooSmall), "所设置页面太小");
    in = DefaultPanel();
    in.SampleHeights[2] = LabelTextSize({"黑体", 60}, "5").height();
    EXPECT_EQ(ComputePageSetup(in, *song).Stop, SetupStop::FontTooBig);
    in = DefaultPanel();
    in.ShownParts = 0;
    EXPECT_EQ(ComputePageSetup(in, *song).Stop, SetupStop::NoPartShown);
    EXPECT_EQ(SetupStopMessage(SetupStop::NoPartShown), "");
}

TEST(PageGeometry, DefaultsOfANewSong) {
    auto song = testsongs::NewSong(true);
    const PageSetupResult r = ComputePageSetup(DefaultPanel(), *song);
    ASSERT_EQ(r.Stop, SetupStop::None);
    const PageGeometry& g = r.Geometry;
    EXPECT_EQ(g.PartRowHeight, 52);
    EXPECT_EQ(g.PartRowGap, 5);
    EXPECT_FLOAT_EQ(g.SystemHeight, 285);
    EXPECT_FLOAT_EQ(g.FirstPageTopOffset, 90.8f);
    EXPECT_EQ(g.FirstPageSystems, 3);
    EXPECT_EQ(g.SystemsPerPage, 3);
    EXPECT_FLOAT_EQ(g.FirstPageSystemGap, 33.1f);
    EXPECT_FLOAT_EQ(g.SystemGap, 78.5f);
    EXPECT_FLOAT_EQ(g.MarkerHeight(), 282);
    EXPECT_EQ(TicksPerLine(g.PrintableWidth, 12, 100), 682);
    EXPECT_EQ(r.Lines.Starts[1], 576);
    EXPECT_EQ(r.Lines.Starts[2], 1152);
    EXPECT_EQ(r.Lines.LastSystem, 19);
    EXPECT_EQ(r.Lines.Starts[20], song->SongLength);
    EXPECT_EQ(g.LastPage, 6);
    EXPECT_EQ(g.StripWidth(), 812);
    EXPECT_EQ(g.PageTop(1), 1142);
    EXPECT_FALSE(r.TooManyPages);
}

TEST(PageGeometry, ContinuousPageFitsThisRunsSystems) {
    auto song = testsongs::NewSong(true);
    PageSetupInput in = DefaultPanel();
    in.Continuous = true;
    const PageSetupResult r = ComputePageSetup(in, *song);
    ASSERT_EQ(r.Stop, SetupStop::None);
    EXPECT_EQ(r.Geometry.PrintableHeight, 285 * 20 + 91);
    EXPECT_EQ(r.Geometry.PaperHeight, 285 * 20 + 91 + 80);
    EXPECT_EQ(r.Geometry.FirstPageSystems, 20);
    EXPECT_EQ(r.Geometry.LastPage, 0);
}

TEST(PageGeometry, ScoresBeyondTwentyFivePagesStopAtTheLast) {
    auto song = BarsOf44(300);
    const PageSetupResult r = ComputePageSetup(DefaultPanel(), *song);
    EXPECT_TRUE(r.TooManyPages);
    EXPECT_EQ(r.Geometry.LastPage, 24);
    EXPECT_EQ(r.Lines.LastSystem, 99);  // the line table grows past 99 entries
    EXPECT_EQ(r.Lines.Starts.back(), song->SongLength);
}

TEST(PageGeometry, PageCount) {
    const int expected[][2] = {{2, 0}, {3, 1}, {6, 1}, {7, 2}};
    for (auto& c : expected) EXPECT_EQ(PageCount(c[0], 3, 4), c[1]) << c[0];
}

TEST(LineBreaks, SystemsStartOnBarLines) {
    auto song = BarsOf44(16);
    EXPECT_EQ(TicksPerLine(682, 20, 100), 409);
    const LineTable t = ComputeLineBreaks(*song, 682, 20, 100);
    EXPECT_EQ(t.Starts, (std::vector<int32_t>{0, 384, 768, 1152, 1536, 1920, 2304, 2688, 3072}));
    EXPECT_EQ(t.LastSystem, 7);
}

TEST(LineBreaks, ABarLongerThanALineTakesASystemOfItsOwn) {
    auto song = BarsOf44(16);
    EXPECT_EQ(TicksPerLine(682, 12, 25), 170);
    const LineTable t = ComputeLineBreaks(*song, 682, 12, 25);
    EXPECT_EQ(t.LastSystem, 15);
    for (int k = 0; k <= 16; ++k) EXPECT_EQ(t.Starts[k], 192 * k);
}

// A crowded system ends at the latest earlier bar line where it is clear or spaced; systems that
// are keep their ends; a system neither at any bar line ends at the latest one where it is
// squeezed, else keeps its first end; the fit check is asked with the system's number and whether
// it closes the score.
TEST(LineBreaks, ACrowdedSystemEndsAtAnEarlierBarLine) {
    auto song = BarsOf44(16);
    const PageGeometry g;
    struct Case {
        const char* name;
        int maxBars;         // a system of more bars is crowded
        int32_t tick1, tick2;  // ... and so is one holding both ticks (-1: none)
        std::vector<int32_t> starts;
        LineFit otherwise = LineFit::Overfull;  // how the systems that are not clear fit
    };
    const std::vector<int32_t> oneBarEach{0,    192,  384,  576,  768,  960,  1152, 1344, 1536,
                                          1728, 1920, 2112, 2304, 2496, 2688, 2880, 3072};
    const std::vector<int32_t> today{0, 384, 768, 1152, 1536, 1920, 2304, 2688, 3072};
    const Case cases[] = {
        {"all fit", 2, -1, -1, today},
        {"one bar each", 1, -1, -1, oneBarEach},
        {"bars 5 and 6 apart", 2, 800, 1000, {0, 384, 768, 960, 1344, 1728, 2112, 2496, 2880, 3072}},
        {"bar 5 crowded alone", 2, 800, 800, today},
        {"spaced kept before an earlier clear end", 1, -1, -1, today, LineFit::Spaced},
        {"squeezed taken where none is clear", 0, -1, -1, today, LineFit::Squeezed},
        {"an earlier clear end before a squeezed one", 1, -1, -1, oneBarEach, LineFit::Squeezed},
    };
    for (const Case& c : cases) {
        std::vector<std::tuple<int32_t, int32_t, int, bool>> asked;
        const LineFitCheck fits = [&](int32_t start, int32_t end, int system, bool last, const PageGeometry&) {
            asked.push_back({start, end, system, last});
            const auto holds = [&](int32_t tick) { return tick >= start && tick < end; };
            const bool clear = (end - start) / 192 <= c.maxBars && !(c.tick1 >= 0 && holds(c.tick1) && holds(c.tick2));
            return clear ? LineFit::Clear : c.otherwise;
        };
        const LineTable t = ComputeLineBreaks(*song, 682, 20, 100, fits, &g);
        EXPECT_EQ(t.Starts, c.starts) << c.name;
        EXPECT_EQ(t.LastSystem, int(c.starts.size()) - 2) << c.name;
        EXPECT_EQ(asked.front(), std::make_tuple(0, 384, 0, false)) << c.name;
        for (const auto& [start, end, system, last] : asked) EXPECT_EQ(last, end == 3072) << c.name << " " << end;
        EXPECT_TRUE(std::any_of(asked.begin(), asked.end(), [](const auto& q) { return std::get<3>(q); })) << c.name;
    }
}

TEST(PageNumbers, Captions) {
    EXPECT_EQ(PageNumberCaption("- &P -", "9", 0, 1), "- 09 -");
    EXPECT_EQ(PageNumberCaption("- &P -", "9", 1, 1), "- 10 -");
    EXPECT_EQ(PageNumberCaption("&p", "9", 0, 1), "9");
    EXPECT_EQ(PageNumberCaption("&p", "9", 1, 1), "10");
    EXPECT_EQ(PageNumberCaption("&P/&P", "1", 2, 6), "3/3");
}

TEST(PageNumbers, Anchors) {
    auto song = testsongs::NewSong(true);
    const PageGeometry g = ComputePageSetup(DefaultPanel(), *song).Geometry;
    EXPECT_EQ(PageNumberAnchor(5, g, "1.50", {}), (PagePoint{398, 1098}));
    EXPECT_EQ(PageNumberAnchor(1, g, "1.50", {}), (PagePoint{57, 28}));
    EXPECT_EQ(PageNumberAnchor(0, g, "1.50", {12, 34}), (PagePoint{12, 34}));
    EXPECT_EQ(PageNumberCentre({57, 28}, "1", 1, true, g.PaperWidth), (PagePoint{739, 28}));
    EXPECT_EQ(PageNumberCentre({57, 28}, "1", 2, true, g.PaperWidth), (PagePoint{57, 28}));
    EXPECT_EQ(PageNumberCentre({57, 28}, "1", 1, false, g.PaperWidth), (PagePoint{57, 28}));
    // Landscape: the bottom anchor follows the turned page.
    PageSetupInput in = DefaultPanel();
    in.Landscape = true;
    const PageGeometry l = ComputePageSetup(in, *song).Geometry;
    EXPECT_EQ(PageNumberAnchor(5, l, "1.50", {}), (PagePoint{563, 768}));
}
