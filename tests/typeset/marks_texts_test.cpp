#include <gtest/gtest.h>

#include "app/wordlists.h"
#include "marks_testing.h"
#include "support/songs.h"

using namespace markstest;
using namespace typeset;

namespace {

// A 4/4 line 0..384 with cells at 0 (x 200), 96 (x 392) and 192 (x 600); digits at y 500, H 40,
// W 13, left margin 57, right end 850.
class MarkDraw {
public:
    MarkDraw() {
        st = Style(13, 40);
        st.LeftMargin = 57, st.PrintableWidth = 793, st.PartRowHeight = 70, st.PartRowGap = 10;
        st.GlyphWidthO = 10, st.GlyphWidthC = 6;
        const auto lists = app::BuildStartupLists(PROGRAM_DIR);
        st.DynamicsList = lists.dynamics, st.ExpressionList = lists.expressions;
        cells = {{0, 96, 192, 384}, {200, 392, 600, 913}};
        row = {.Meter = song.get(), .Cells = &cells, .LineEndTick = 384, .Rows = 3, .RowDigitY = 500,
               .RowLyricY = 540, .LyricLineHeight = 20, .Verses = 3};
    }
    vb::RecordingSurface& draw(int code, int32_t start, int16_t length, const QString& text, int rowIndex = 1) {
        doc::NoteRecord n;
        n.Start = start, n.Length = length, n.Pitch = uint8_t(code), n.Lyric = text;
        row.Row = rowIndex;
        s.ClearLog();
        DrawRowEvent(s, st, row, rs, run, n);
        return s;
    }
    std::unique_ptr<doc::Song> song = testsongs::NewSong(true);
    MarkStyle st;
    LineCells cells;
    RowContext row;
    RowState rs;
    RunState run;
    vb::RecordingSurface s;
};

}  // namespace

TEST(TextMarks, DynamicsAndExpressionTextsStandAboveTheirCell) {
    MarkDraw m;
    m.cells.X[1] = 300;
    const auto f = Prints(m.draw(2, 96, 0, "6"));
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].text, "f");
    EXPECT_EQ(f[0].x, 300);
    EXPECT_EQ(f[0].y, 464);
    EXPECT_TRUE(f[0].italic);
    struct Case { int code; QString text, drawn; };
    for (const Case& c : {Case{2, "", "mp"}, {2, "x", "mp"}, {2, "15", "sffz"}, {2, "16", ""}, {2, "--", ""},
                          {4, "2", m.st.ExpressionList.value(2)}, {3, "渐强|x", "渐强|x"}, {3, "--", ""}}) {
        const auto p = Prints(m.draw(c.code, 0, 0, c.text));
        EXPECT_EQ(Texts(p), c.drawn) << c.code << " " << c.text.toStdString();
        if (!p.empty()) EXPECT_EQ(p[0].italic, c.code == 2);
    }
    EXPECT_EQ(m.st.ExpressionList.value(2), "渐快");  // the third line of explin.txt
}

TEST(SpecialMarks, HairpinsAndBracketLines) {
    MarkDraw m;
    struct Case { int32_t start; int16_t length; QString text; std::vector<Drawn> lines; };
    const std::vector<Case> cases = {
        {0, 96, "<", {{200, 484, 392, 496}, {200, 484, 392, 472}}},
        {0, 100, "<", {{200, 484, 392, 496}, {200, 484, 392, 472}}},  // an end without a cell: the cell before
        {96, 400, ">", {{392, 496, 850, 488}, {392, 472, 850, 480}}},  // cut at the line's end
        {0, 96, ">--", {{57, 492, 392, 484}, {57, 476, 392, 484}}},
        {0, 96, "<--", {{57, 488, 392, 496}, {57, 480, 392, 472}}},
        {96, 400, "Vab", {{386.8, 476, 850, 476}, {850, 476, 850, 500}, {386.8, 476, 386.8, 500}}},
        {0, 96, "Vab--", {{51.8, 476, 379, 476}, {379, 476, 379, 500}}},
        {0, 96, "Tab", {{194.8, 476, 379, 476}, {194.8, 476, 194.8, 500}}},
        {0, 96, "--", {}},
    };
    for (const Case& c : cases) {
        auto& s = m.draw(5, c.start, c.length, c.text);
        EXPECT_EQ(Lines(s), c.lines) << c.text.toStdString();
        const QString label = c.text.startsWith('V') || c.text.startsWith('T') ? "ab" : "";
        EXPECT_EQ(Texts(Prints(s)), c.text.endsWith("--") ? "" : label) << c.text.toStdString();
    }
    const auto label = Prints(m.draw(5, 0, 96, "Tab"));
    EXPECT_EQ(label[0].x, 200);
    EXPECT_EQ(label[0].y, 476);
    EXPECT_DOUBLE_EQ(label[0].size, 18 * 0.618);
}

TEST(SpecialMarks, GlyphMarksVerseTextsAndOrnaments) {
    MarkDraw m;
    struct Case { int32_t start; QString text; int row; QString glyphs; std::vector<double> xs, ys; };
    const std::vector<Case> cases = {
        {0, "x", 1, "x x x", {200 - 9.1, 200 - 9.1, 200 - 9.1}, {500, 580, 660}},
        {0, "x", 2, "", {}, {}},
        {0, "}", 1, "}", {200 - 13 * 1.6}, {500}},      // on a bar line
        {96, "}", 1, "}", {392 - 13 / 3.0}, {500}},
        {96, "(ab", 1, "(ab", {392 - 13 / 3.2}, {500}},
        {96, "#b", 1, "#b", {392}, {464}},
        {96, "pq", 1, "pq", {392}, {520}},
        {96, "?a|bb", 1, "a bb", {392 - 13 * 0.68, 392 - 13 * 2 * 0.68}, {540, 560}},
        {192, "HII", 1, "H" + QString(" I").repeated(19), Steps(600, 850, 13), std::vector<double>(20, 464)},
    };
    for (const Case& c : cases) {
        const auto p = Prints(m.draw(5, c.start, 300, c.text, c.row));
        EXPECT_EQ(Texts(p), c.glyphs) << c.text.toStdString();
        ASSERT_EQ(p.size(), c.xs.size()) << c.text.toStdString();
        for (size_t i = 0; i < p.size(); ++i) EXPECT_NEAR(p[i].x, c.xs[i], 1e-9) << c.text.toStdString();
        EXPECT_EQ(Ys(p), c.ys) << c.text.toStdString();
    }
    m.draw(5, 0, 0, "{");
    EXPECT_TRUE(m.run.StackMode);
    m.draw(5, 96, 0, "}");
    EXPECT_FALSE(m.run.StackMode);

    const auto orn = Prints(m.draw(6, 96, 0, "12"));
    EXPECT_EQ(Texts(orn), "n 12 c c c c c c");
    EXPECT_EQ(orn[0].x, 382);                                   // x0 − width("o")
    EXPECT_EQ(orn[1].x, 392 - 16);                              // two small digits ending at x0
    EXPECT_EQ(orn[1].y, 476);
    EXPECT_EQ(Xs(std::vector<Printed>(orn.begin() + 2, orn.begin() + 5)), (std::vector<double>{376, 382, 387.2}));
    EXPECT_EQ(orn[2].y, 468);
    EXPECT_EQ(orn[5].y, 500 - 40 * 0.88);
    const auto empty = Prints(m.draw(6, 96, 0, ""));
    EXPECT_EQ(Texts(empty), "c c");
    EXPECT_EQ(Xs(empty), (std::vector<double>{392 - 4.8, 392 - 4.8}));
}
