#include <gtest/gtest.h>

#include <map>

#include "document/songcodes.h"
#include "marks_testing.h"

using namespace markstest;
using namespace typeset;

namespace {

struct Pages {
    std::map<int, vb::RecordingSurface> byPage;
    PageSurfaces surfaces() {
        return [this](int k) -> vb::Surface* { return &byPage[k]; };
    }
};

MarkStyle DecoStyle() {
    MarkStyle st = Style();
    st.RowPercent = 150;  // d 6
    st.PartRowHeight = 70;
    st.PartRowGap = 10;   // p 80
    st.LeftMargin = 57;
    return st;
}

// Two systems on page 0, three slots a page after it, four systems: page 1 holds systems 2 and 3.
SystemLayout Layout(int rows) {
    SystemLayout lay;
    lay.Rows = rows;
    lay.SystemHeight = 240;
    lay.SystemGap = 30;
    lay.FirstPageSystemGap = 20;
    lay.FirstPageTopOffset = 90;
    lay.FirstPageSystems = 2;
    lay.SystemsPerPage = 3;
    lay.LastPage = 1;
    lay.LastSystem = 3;
    lay.FirstBeatX = 140;
    lay.SystemStartTicks = {0, 384, 768, 1152, 1536};
    lay.BarIndex = [](int32_t tick) { return int(tick / 192); };
    return lay;
}

// The glyphs of the first slot of page 1 (T 0).
std::vector<Printed> FirstSlot(const vb::RecordingSurface& s, const QString& glyph) {
    std::vector<Printed> out;
    for (const Printed& p : Prints(s, glyph))
        if (p.y < 200) out.push_back(p);
    return out;
}

}  // namespace

TEST(LineDecorations, JoinsAndBracketsStandAtTheLeftOfEverySystem) {
    const MarkStyle st = DecoStyle();
    struct Case { int rows; bool independent; QString glyph; std::vector<double> ys; };
    const std::vector<Case> cases = {
        {3, false, "v", {6}},  {3, false, "u", Steps(18, 150, 12)}, {3, false, "w", {166}},
        {3, true, "v", {86}},  {3, true, "u", Steps(98, 146, 12)},  {3, true, "z", {6, 30, 54, 78}},
        {2, true, "|", {6, 30, 54, 78, 86}},                        {1, false, "|", {}},
    };
    for (const Case& c : cases) {
        Pages pages;
        SystemLayout lay = Layout(c.rows);
        lay.IndependentTopPart = c.independent;
        DrawLineDecorationsPage(pages.surfaces(), st, lay);
        const auto got = FirstSlot(pages.byPage[1], c.glyph);
        EXPECT_EQ(Ys(got), c.ys) << c.rows << " " << c.independent << " " << c.glyph.toStdString();
        for (const Printed& p : got) EXPECT_DOUBLE_EQ(p.x, c.rows == 2 ? 57 + 2.535 : 57 + 3.51);
    }
    Pages pages;
    DrawLineDecorationsPage(pages.surfaces(), st, Layout(3));
    EXPECT_EQ(Prints(pages.byPage[1], "v").size(), 2u);  // the empty third slot gets no bracket
    EXPECT_EQ(Prints(pages.byPage[0], "v")[0].x, 140 - 6.5);  // the score's first system: at its first beat
    EXPECT_EQ(Prints(pages.byPage[0], "v")[1].x, 57 + 3.51);
    EXPECT_EQ(Prints(pages.byPage[0], "v")[1].y, 260 + 90 + 6);
}

TEST(LineDecorations, MeasureNumbersForEverySystemButTheFirstAndNoneBelowTheLast) {
    MarkStyle st = DecoStyle();
    st.TopMargin = 57;
    SystemLayout lay = Layout(1);
    lay.MeasureNumbers = true;
    Pages pages;
    DrawLineDecorationsPage(pages.surfaces(), st, lay);
    const auto first = Prints(pages.byPage[0]);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].text, " 3 ");
    EXPECT_EQ(first[0].x, 57);
    EXPECT_EQ(first[0].y, 350 + 6 + 57 - 12);
    EXPECT_DOUBLE_EQ(first[0].size, 12 * 0.618);
    EXPECT_EQ(Texts(Prints(pages.byPage[1])), " 5   7 ");
    EXPECT_EQ(Xs(Prints(pages.byPage[1])), (std::vector<double>{50.5, 50.5}));
    EXPECT_EQ(Ys(Prints(pages.byPage[1])), (std::vector<double>{51, 321}));

    lay = Layout(3);  // a one-system song
    lay.MeasureNumbers = true;
    lay.LastSystem = 0;
    lay.LastPage = 0;
    lay.FirstPageSystems = 3;
    Pages one;
    DrawLineDecorationsPage(one.surfaces(), st, lay);
    for (const Printed& p : Prints(one.byPage[0])) EXPECT_EQ(p.font, "Qelto") << p.text.toStdString();
    EXPECT_EQ(Prints(one.byPage[0], "v").size(), 1u);
}

TEST(LineDecorations, ThePrinterGetsOnePageWithItsTimeSignaturesAndItsNumber) {
    const MarkStyle st = DecoStyle();
    SystemLayout lay = Layout(2);
    lay.MeasureNumbers = true;
    const std::vector<MeterChange> changes = {{384, doc::TimeSigTextToCode("3/4")},
                                              {1200, doc::TimeSigTextToCode("6/8")}};
    const std::vector<BeatPlace> beats = {{0, 140, 100, 384}, {1, 300, 60, 1200}};
    const PageNumberLabel number{{QStringLiteral("宋体"), 9, false, false}, 380, 1080, QStringLiteral("- 2 -")};
    vb::RecordingSurface printer;
    DrawLineDecorationsPrinter(printer, 1, st, lay, changes, beats, number);
    Pages pages;
    DrawLineDecorationsPage(pages.surfaces(), st, lay);
    EXPECT_EQ(Ys(Prints(printer, "|")), Ys(Prints(pages.byPage[1], "|")));
    EXPECT_EQ(Prints(printer, "|").size(), 10u);  // two systems of five strokes
    EXPECT_EQ(Xs(Prints(printer, " 6 ")), (std::vector<double>{306.5, 306.5}));
    EXPECT_TRUE(Prints(printer, " 3 ").empty());  // its beat is on page 0
    const Printed last = Prints(printer).back();
    EXPECT_EQ(last.text, "- 2 -");
    EXPECT_EQ(last.x, 380);
    EXPECT_EQ(last.font, "宋体");
    vb::RecordingSurface beyond;
    DrawLineDecorationsPrinter(beyond, 2, st, lay, changes, beats, number);
    EXPECT_EQ(Texts(Prints(beyond)), "- 2 -");
}
