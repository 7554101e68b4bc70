#include <gtest/gtest.h>

#include "marks_testing.h"

using namespace markstest;
using namespace typeset;

namespace {
vb::RecordingSurface Surface(double y = 0) {
    vb::RecordingSurface s;
    s.SetCurrentY(y);
    return s;
}
}  // namespace

TEST(LineMarks, SlursAndTupletArcsAreAssembledFromArcPieces) {
    MarkStyle st = Style(10, 24);
    st.LeftMargin = 0;
    st.PrintableWidth = 700;
    auto s = Surface(77);
    DrawSlurPage(s, st, 100, 150);
    EXPECT_EQ(Texts(Prints(s)).left(9), "Y X X X X");
    EXPECT_EQ(Xs(Prints(s, "Y")), std::vector<double>{150});
    EXPECT_EQ(Xs(Prints(s, "X")), (std::vector<double>{110, 120, 130, 140}));
    EXPECT_EQ(Xs(Prints(s, "W")), std::vector<double>{100});
    EXPECT_EQ(Xs(Prints(s, "Z")), Steps(109, 149, 2));
    EXPECT_EQ(Prints(s, "Z").size(), 21u);
    for (const Printed& p : Prints(s)) EXPECT_EQ(p.y, 77);
    EXPECT_EQ(Prints(s)[0].font, "Qelto");

    auto cut = Surface();
    DrawSlurPrinter(cut, st, 650, 700);  // ends at R: runs out without "Y"
    EXPECT_TRUE(Prints(cut, "Y").empty());
    EXPECT_EQ(Xs(Prints(cut, "X")), (std::vector<double>{660, 670, 680, 690}));

    auto arc = Surface();
    DrawTupletArcPage(arc, st, 100, 120);
    EXPECT_EQ(Xs(Prints(arc, "X")), std::vector<double>{110});
    EXPECT_EQ(Xs(Prints(arc, "W")), std::vector<double>{100});
    EXPECT_EQ(Xs(Prints(arc, "Y")), std::vector<double>{120});
    EXPECT_EQ(Xs(Prints(arc, "Z")), Steps(109, 119, 2));
    EXPECT_EQ(Xs(Prints(arc, "M")), std::vector<double>{110});
    auto point = Surface();
    DrawTupletArc(point, st, 300, 300);  // ends coincide: still "W", "Y" and "M"
    EXPECT_EQ(Texts(Prints(point)), "W Y M");
}

TEST(LineMarks, UnderlinesExtensionsAndTheClosingMark) {
    MarkStyle st = Style();
    st.LeftMargin = 100;
    st.PrintableWidth = 600;  // R 700
    struct Case { int c1, c2; std::vector<double> ys; };
    for (const Case& c : {Case{2, 2, {203, 203, 203, 206, 206, 206}}, Case{3, 2, {203, 203, 203}}, Case{4, 4, {}}}) {
        auto s = Surface();
        DrawUnderlinesPage(s, st, c.c1, c.c2, 100, 126, 200);
        EXPECT_EQ(Ys(Prints(s, "c")), c.ys) << c.c1 << "/" << c.c2;
        if (!c.ys.empty()) EXPECT_EQ(Xs(Prints(s, "c")).front(), 113);
        if (c.ys.size() == 3) EXPECT_EQ(Xs(Prints(s, "c")), (std::vector<double>{113, 119, 125}));
    }
    auto ext = Surface(50);
    DrawExtensionLinePage(ext, st, 600, 720);
    EXPECT_EQ(Xs(Prints(ext, "H")), std::vector<double>{600});
    EXPECT_EQ(Xs(Prints(ext, "I")), Steps(613, 691, 13));
    auto shortExt = Surface();
    DrawExtensionLinePrinter(shortExt, st, 600, 610);
    EXPECT_EQ(Texts(Prints(shortExt)), "H");
    auto cont = Surface();
    DrawExtensionContinuationPage(cont, st, 300, 330);
    EXPECT_EQ(Xs(Prints(cont, "I")), (std::vector<double>{300, 313, 326}));
    auto none = Surface();
    DrawExtensionContinuation(none, st, 300, 290);
    EXPECT_TRUE(Prints(none).empty());

    st.PartRowHeight = 70;
    st.PartRowGap = 10;
    for (auto [percent, offset] : {std::pair{150, 6}, {120, 2}, {100, 0}}) {
        st.RowPercent = percent;
        auto end = Surface();
        DrawEndMarkPage(end, st, 2, 400, 300);
        EXPECT_EQ(Ys(Prints(end, "x")), (std::vector<double>{300.0 + offset, 380.0 + offset})) << percent;
    }
}

TEST(LineMarks, ACellWithoutWidthDrawsNothingAndEveryStepAdvances) {
    MarkStyle st = Style(0, 24);
    st.PrintableWidth = 700;
    auto s = Surface();
    DrawSlur(s, st, 100, 150);
    DrawTupletArc(s, st, 100, 150);
    DrawExtensionLine(s, st, 100, 150);
    DrawExtensionContinuation(s, st, 100, 150);
    DrawUnderlines(s, st, 0, 0, 100, 150, 0);
    EXPECT_TRUE(Prints(s).empty());
    st.W = 2;  // fill step 0.4 and underline step 1: one pixel each
    auto narrow = Surface();
    DrawSlur(narrow, st, 100, 110);
    EXPECT_EQ(Xs(Prints(narrow, "Z")), Steps(102, 110, 1));
}
