#include <gtest/gtest.h>

#include <map>

#include "document/songcodes.h"
#include "marks_testing.h"

using namespace markstest;
using namespace typeset;

namespace {

struct Pages {
    std::map<int, vb::RecordingSurface> byPage;
    PageSurfaces surfaces() { return [this](int k) -> vb::Surface* { return &byPage[k]; }; }
};

MarkStyle DecoStyle() {  // d 6, p 80
    MarkStyle st = Style();
    st.RowPercent = 150, st.PartRowHeight = 70, st.PartRowGap = 10, st.LeftMargin = 57;
    return st;
}

// Two systems on page 0, three slots a page after it, four systems: page 1 holds systems 2 and 3.
SystemLayout Layout(int rows) {
    return {.Rows = rows, .SystemHeight = 240, .SystemGap = 30, .FirstPageSystemGap = 20, .FirstPageTopOffset = 90,
            .FirstPageSystems = 2, .SystemsPerPage = 3, .LastPage = 1, .LastSystem = 3, .FirstBeatX = 140,
            .SystemStartTicks = {0, 384, 768, 1152, 1536}, .BarIndex = [](int32_t tick) { return int(tick / 192); }, .Places = {}, .StartFractionX = {}, .StartArcInk = {}};
}

}  // namespace

TEST(LineDecorations, JoinsAndBracketsStandAtTheLeftOfEverySystem) {
    const MarkStyle st = DecoStyle();
    const double x2 = 57 + 13 * 0.195, x3 = 57 + 13 * 0.27;
    struct Case { int rows; bool independent; QString glyph; std::string at; };
    const Case cases[] = {
        {3, false, "v", Column(x3, {6, 276})},  {3, false, "w", Column(x3, {166, 436})},
        {3, true, "v", Column(x3, {86, 356})},  {3, true, "z", Column(x3, {6, 30, 54, 78, 276, 300, 324, 348})},
        {2, true, "|", Column(x2, {6, 30, 54, 78, 86, 276, 300, 324, 348, 356})},  {1, false, "|", ""},
    };
    for (const Case& c : cases) {
        Pages pages;
        SystemLayout lay = Layout(c.rows);
        lay.IndependentTopPart = c.independent;
        DrawLineDecorationsPage(pages.surfaces(), st, lay);  // page 1: two systems, T 0 and 270; the third slot stays bare
        EXPECT_EQ(At(pages.byPage[1], c.glyph, true), c.at) << c.rows << c.independent << c.glyph.toStdString();
    }
    for (auto [independent, at] : {std::pair{false, Range(18, 150, 12)}, {true, Range(98, 146, 12)}}) {
        Pages pages;
        SystemLayout lay = Layout(3);
        lay.IndependentTopPart = independent, lay.LastSystem = 2;
        DrawLineDecorationsPage(pages.surfaces(), st, lay);
        QStringList ys;
        for (const Printed& p : Prints(pages.byPage[1], "u")) ys << QString::number(p.y);
        EXPECT_EQ(ys.join(' ').toStdString(), at);
    }
    Pages pages;
    DrawLineDecorationsPage(pages.surfaces(), st, Layout(3));
    EXPECT_EQ(At(pages.byPage[0], "v", true), "133.5,96 60.51,356");  // the score's first system: at its first beat
}

TEST(LineDecorations, MeasureNumbersForEverySystemButTheFirstAndNoneBelowTheLast) {
    MarkStyle st = DecoStyle();
    st.TopMargin = 57;
    SystemLayout lay = Layout(1);
    lay.MeasureNumbers = true;
    Pages pages;
    DrawLineDecorationsPage(pages.surfaces(), st, lay);
    EXPECT_EQ(At(pages.byPage[0], " 3 ", true), "57,401");
    EXPECT_EQ(Prints(pages.byPage[0]).size(), 1u);
    EXPECT_DOUBLE_EQ(Prints(pages.byPage[0])[0].size, 12 * 0.618);
    EXPECT_EQ(At(pages.byPage[1], " 5 ", true) + " " + At(pages.byPage[1], " 7 ", true), "50.5,51 50.5,321");

    lay = Layout(3);  // a one-system song
    lay.MeasureNumbers = true, lay.LastSystem = 0, lay.LastPage = 0, lay.FirstPageSystems = 3;
    Pages one;
    DrawLineDecorationsPage(one.surfaces(), st, lay);
    EXPECT_EQ(Texts(Prints(one.byPage[0])), "u u u u u u u u u u u u v w");
}

TEST(LineDecorations, ThePrinterGetsOnePageWithItsTimeSignaturesAndItsNumber) {
    const MarkStyle st = DecoStyle();
    SystemLayout lay = Layout(2);
    lay.MeasureNumbers = true;
    const std::vector<MeterChange> changes = {{384, doc::TimeSigTextToCode("3/4")}, {1200, doc::TimeSigTextToCode("6/8")}};
    const std::vector<BeatBox> beats = {{0, 140, 100, 0, 384}, {1, 300, 60, 0, 1200}};
    const PageNumberLabel number{{QStringLiteral("宋体"), 9}, 380, 1080, QStringLiteral("- 2 -")};
    vb::RecordingSurface printer, beyond;
    DrawLineDecorationsPrinter(printer, 1, st, lay, changes, beats, number);
    DrawLineDecorationsPrinter(beyond, 2, st, lay, changes, beats, number);
    Pages pages;
    DrawLineDecorationsPage(pages.surfaces(), st, lay);
    EXPECT_EQ(At(printer, "|", true), At(pages.byPage[1], "|", true));
    EXPECT_EQ(At(printer, " 5 ") + " " + At(printer, " 6 ", true), "50.5 306.5,48 306.5,128");
    EXPECT_EQ(At(printer, " 3 "), "");  // its beat is on page 0
    EXPECT_EQ(At(printer, "- 2 -", true), "380,1080");
    EXPECT_EQ(Prints(printer).back().font, "宋体");
    EXPECT_EQ(Texts(Prints(beyond)), "- 2 -");
}
