#include <gtest/gtest.h>

#include "marks_testing.h"

using namespace markstest;
using namespace typeset;

TEST(LineMarks, ArcsExtensionsAndUnderlinesAreRunsOfGlyphs) {
    using Routine = void (*)(vb::Surface&, const MarkStyle&, int, int);
    struct Case { Routine draw; int w, x1, x2; QString glyph; std::string at; };
    const Case cases[] = {
        {DrawSlurPage, 10, 100, 150, "Y", "150"},       {DrawSlurPage, 10, 100, 150, "X", "110 120 130 140"},
        {DrawSlurPage, 10, 100, 150, "W", "100"},       {DrawSlurPage, 10, 100, 150, "Z", Range(109, 149, 2)},
        {DrawSlurPrinter, 10, 650, 700, "Y", ""},       {DrawSlurPrinter, 10, 650, 700, "X", "660 670 680 690"},
        {DrawTupletArcPage, 10, 100, 120, "X", "110"},  {DrawTupletArcPage, 10, 100, 120, "Y", "120"},
        {DrawTupletArcPage, 10, 100, 120, "W", "100"},  {DrawTupletArcPage, 10, 100, 120, "Z", Range(109, 119, 2)},
        {DrawTupletArcPage, 10, 100, 120, "M", "110"},  {DrawTupletArcPrinter, 10, 300, 300, "M", "300"},
        {DrawExtensionLinePage, 13, 600, 720, "H", "600"}, {DrawExtensionLinePage, 13, 600, 720, "I", Range(613, 691, 13)},
        {DrawExtensionLinePrinter, 13, 600, 610, "I", ""}, {DrawExtensionContinuationPage, 13, 300, 330, "I", "300 313 326"},
        {DrawExtensionContinuationPage, 13, 300, 290, "I", ""},
        {DrawSlur, 0, 100, 150, "W", ""},               {DrawSlur, 2, 100, 110, "Z", Range(102, 110, 1)},  // no cell, narrow cell
        {DrawTupletArc, 0, 100, 150, "M", ""},          {DrawExtensionLine, 0, 100, 150, "H", ""},
    };
    for (const Case& c : cases) {
        MarkStyle st = Style(c.w, 24);
        st.PrintableWidth = 700;  // R 700
        vb::RecordingSurface s;
        s.SetCurrentY(77);
        c.draw(s, st, c.x1, c.x2);
        EXPECT_EQ(At(s, c.glyph), c.at) << c.glyph.toStdString() << " " << c.x1 << "-" << c.x2;
        for (const Printed& p : Prints(s)) EXPECT_TRUE(p.y == 77 && p.font == "Qelto");
    }
    const MarkStyle st = Style();
    struct Lines { int c1, c2; std::string at; };
    for (const Lines& c : {Lines{2, 2, "113,203 119,203 125,203 113,206 119,206 125,206"}, {3, 2, "113,203 119,203 125,203"},
                           {4, 4, ""}}) {
        vb::RecordingSurface s;
        DrawUnderlinesPage(s, st, c.c1, c.c2, 100, 126, 200);
        EXPECT_EQ(At(s, "c", true), c.at) << c.c1 << "/" << c.c2;
    }
}

TEST(LineMarks, TheClosingMarkStandsOnEveryRowBelowTheRowOffset) {
    MarkStyle st = Style();
    st.PartRowHeight = 70, st.PartRowGap = 10;
    for (auto [percent, at] : {std::pair{150, "400,306 400,386"}, {120, "400,302 400,382"}, {100, "400,300 400,380"}}) {
        st.RowPercent = percent;
        vb::RecordingSurface s;
        DrawEndMarkPrinter(s, st, 2, 400, 300);
        EXPECT_EQ(At(s, "x", true), at) << percent;
    }
}
