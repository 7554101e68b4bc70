// Where systems and rows stand: ink outlines, rows that move apart, and pages that give a system
// the room its marks need.
#include <gtest/gtest.h>

#include "typeset/pageclick.h"
#include "typeset/systemplan.h"

using namespace typeset;

namespace {

// One row's ink: rectangles left, top, width, height relative to the system's top.
Skyline Ink(std::initializer_list<QRectF> rects, int width = 400) {
    Skyline s(width);
    for (const QRectF& r : rects) s.AddRect(r);
    return s;
}

// A system of rows 50 apart whose digits stand 10..30 and syllables 35..48 below each row's top,
// with `above` more ink of the first row (a mark's text) from x 100 to 160.
SystemInk Rows(int rows, QRectF above = {}) {
    SystemInk ink;
    for (int w = 0; w < rows; ++w)
        ink.Rows.push_back(Ink({QRectF(20, 50 * w + 10, 300, 20), QRectF(20, 50 * w + 35, 300, 13)}));
    if (!above.isNull()) ink.Rows[0].AddRect(above);
    return ink;
}

// Pages of 200-pixel systems: the first page holds two under a title room of 100, the others
// three; top margin 40, bottom of the printable area at 760.
PlanFrame Frame() {
    PlanFrame f;
    PageGeometry& g = f.Geometry;
    g.TopMargin = 40, g.PrintableHeight = 720, g.PaperWidth = 400, g.PaperHeight = 800;
    g.SystemHeight = 200, g.FirstPageTopOffset = 100, g.FirstPageSystems = 2, g.SystemsPerPage = 3;
    g.FirstPageSystemGap = 20, g.SystemGap = 60;
    f.Width = 400, f.Spread = 10, f.InkTop = 20;
    return f;
}

std::vector<PagePlanner::Page> Plan(PlanFrame frame, const std::vector<SystemInk>& systems) {
    PagePlanner planner(std::move(frame));
    std::vector<PagePlanner::Page> pages;
    for (size_t k = 0; k < systems.size(); ++k) {
        planner.Add(int(k), systems[k], k + 1 == systems.size());
        while (auto page = planner.TakePage()) pages.push_back(*page);
    }
    return pages;
}

std::string Tops(const std::vector<PagePlanner::Page>& pages) {
    std::string out;
    for (const PagePlanner::Page& p : pages) {
        out += std::to_string(p.Index) + ":";
        for (const PagePlanner::Placed& s : p.Systems) out += " " + QString::number(s.Place.Top).toStdString();
        out += " | ";
    }
    return out;
}

}  // namespace

TEST(SystemPlan, InkOutlinesTellHowFarApartTwoLinesMustStand) {
    const Skyline upper = Ink({QRectF(10, 0, 20, 30)});
    struct Case { QRectF lower; int spread; double clearance; };
    for (const Case& c : {Case{QRectF(10, 25, 20, 10), 0, 30 - 25 + 2}, {QRectF(40, 25, 20, 10), 0, -1e300},
                          {QRectF(36, 25, 20, 10), 8, 7}, {QRectF(200, 0, 10, 10), 8, -1e300}}) {
        const double got = Clearance(upper, Ink({c.lower}), 2, c.spread);
        if (c.clearance < -1e299)
            EXPECT_FALSE(std::isfinite(got)) << c.lower.x();
        else
            EXPECT_EQ(got, c.clearance) << c.lower.x();
    }
    Skyline line(400);
    line.AddLine(0, 10, 100, 30);
    EXPECT_EQ(line.Highest(), 10);
    EXPECT_EQ(line.Lowest(), 31);
}

TEST(SystemPlan, RowsMoveApartOnlyAsFarAsTheirGlyphsNeed) {
    EXPECT_EQ(RowShifts(Rows(3), 10), std::vector<int>({0, 0, 0}));
    // A chord's upper notes in the second row reach 20 pixels into the syllables of the first.
    SystemInk chord = Rows(3);
    chord.Rows[1].AddRect(QRectF(100, 28, 12, 20));
    EXPECT_EQ(RowShifts(chord, 10), std::vector<int>({0, 22, 22}));
    // Beside the syllables, within the spread, counts as among them; further away it does not.
    chord.Rows[1] = Rows(2).Rows[1];
    chord.Rows[1].AddRect(QRectF(326, 28, 12, 20));
    EXPECT_EQ(RowShifts(chord, 10)[1], 22);
    EXPECT_EQ(RowShifts(chord, 4)[1], 0);
}

TEST(SystemPlan, PagesKeepThePlainPlacesWhereEverythingClears) {
    // Plain: 140, 360 on the first page; 40, 300, 560 on the next.
    EXPECT_EQ(Tops(Plan(Frame(), std::vector<SystemInk>(5, Rows(4)))), "0: 140 360 | 1: 40 300 560 | ");
    // A mark that fits the gap above its system leaves every place as it was.
    std::vector<SystemInk> systems(5, Rows(4));
    systems[3] = Rows(4, QRectF(100, -30, 60, 16));
    EXPECT_EQ(Tops(Plan(Frame(), systems)), "0: 140 360 | 1: 40 300 560 | ");
}

TEST(SystemPlan, MarksTakeTheirRoomFromTheGapsTheTopMarginOrTheNextPage) {
    struct Case {
        const char* name;
        int system;
        QRectF mark;
        std::vector<QRectF> title;
        std::string tops;
    };
    const Case cases[] = {
        // A stack reaching 70 above system 3 takes its room from the gaps of its page.
        {"a middle system", 3, QRectF(100, -70, 60, 60), {}, "0: 140 360 | 1: 40 310 560 | "},
        // Above a page's first system it reaches into the top margin, down to row 20.
        {"a page's first system, in the margin", 2, QRectF(100, -20, 60, 10), {}, "0: 140 360 | 1: 40 300 560 | "},
        {"a page's first system, beyond it", 2, QRectF(100, -40, 60, 30), {}, "0: 140 360 | 1: 60 310 560 | "},
        // The first system stands under the title block, wherever the block's lowest ink is.
        {"under the title block", 0, QRectF(100, -40, 60, 30), {QRectF(300, 80, 50, 40)}, "0: 162 382 | 1: 40 300 560 | "},
        // A page whose gaps cannot give the room takes fewer systems.
        {"on to the next page", 1, QRectF(100, -250, 60, 240), {}, "0: 140 | 1: 270 530 | 2: 40 300 | "},
    };
    for (const Case& c : cases) {
        std::vector<SystemInk> systems(5, Rows(4));
        systems[size_t(c.system)] = Rows(4, c.mark);
        PlanFrame frame = Frame();
        frame.TitleInk = c.title;
        EXPECT_EQ(Tops(Plan(frame, systems)), c.tops) << c.name;
    }
    // Pages planned before keep their systems, placed anew within them.
    std::vector<SystemInk> systems(5, Rows(4));
    systems[3] = Rows(4, QRectF(100, -70, 60, 60));
    PlanFrame frame = Frame();
    frame.PageOfSystem = {0, 1, 1, 1, 2};
    EXPECT_EQ(Tops(Plan(frame, systems)), "0: 140 | 1: 40 290 560 | 2: 40 | ");
}

TEST(SystemPlan, AClickFindsTheRowWhereItStands) {
    BeatBox box;
    box.Y = 100;
    // Rows 50 apart, the second and third 20 lower.
    for (auto [y, row] : {std::pair{140.0, 0}, {155.0, 0}, {175.0, 1}, {215.0, 1}, {230.0, 2}, {400.0, 2}})
        EXPECT_EQ(ClickRow(box, y, 45, 5, 3, {0, 20, 20}), row) << y;
    EXPECT_EQ(ClickRow(box, 155, 45, 5, 3), 1);
}
