#include <gtest/gtest.h>

#include "app/wordlists.h"
#include "marks_testing.h"
#include "support/songs.h"

using namespace markstest;
using namespace typeset;

namespace {

// A 4/4 line 0..384 with cells at 0 (x 200), 96 (x 392) and 192 (x 600); digits at y 500, H 40,
// W 13, left margin 57, right end 850.
class MarkDraw : public RowDrawState {
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
        run.MarkBoxes.clear();  // a fresh line
        DrawRowEvent(s, st, row, rs, run, n);
        CloseRow(s, st, rs);
        return s;
    }
    // Draws one more event on the same line.
    vb::RecordingSurface& also(int code, int32_t start, int16_t length, const QString& text) {
        doc::NoteRecord n;
        n.Start = start, n.Length = length, n.Pitch = uint8_t(code), n.Lyric = text;
        DrawRowEvent(s, st, row, rs, run, n);
        return s;
    }
};

}  // namespace

TEST(TextMarks, DynamicsAndExpressionTextsStandAboveTheirCell) {
    MarkDraw m;
    m.cells.X[1] = 300;
    EXPECT_EQ(At(m.draw(2, 96, 0, "6"), QString(), true), "300,464");
    EXPECT_TRUE(Prints(m.s, "f").at(0).italic);
    struct Case { int code; QString text, drawn; };
    for (const Case& c : {Case{2, "", "mp"}, {2, "x", "mp"}, {2, "15", "sffz"}, {2, "16", ""}, {2, "--", ""},
                          {4, "2", "渐快"}, {3, "渐强|x", "渐强|x"}, {3, "--", ""}}) {  // 渐快: line 3 of explin.txt
        const auto p = Prints(m.draw(c.code, 0, 0, c.text));
        EXPECT_EQ(Texts(p), c.drawn) << c.code << " " << c.text.toStdString();
        for (const Printed& g : p) EXPECT_EQ(g.italic, c.code == 2);
    }
}

TEST(TextMarks, MarksOfOneTickStackUpwardInTheirOrder) {
    MarkDraw m;
    m.draw(2, 0, 0, "6");  // alone: where it always stands
    m.also(3, 0, 0, "渐慢");
    m.also(5, 0, 96, "Vab");
    m.also(3, 96, 0, "rit.");  // another tick: its own place
    // The expression font is 12 pt (16 px high): each mark one text height above the one before;
    // the label (14.832 px high) climbs from its own place 476 by its own height until it clears both.
    EXPECT_EQ(At(m.s, "f", true) + " " + At(m.s, "渐慢", true) + " " + At(m.s, "rit.", true), "200,464 200,448 392,464");
    EXPECT_EQ(At(m.s, "ab", true), "200,431.504");
    m.draw(5, 0, 96, "Vab");
    EXPECT_EQ(At(m.s, "ab", true), "200,476");
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
        // Pieces between two line starts end at the system's right end.
        {0, 500, "<--", {{57, 488, 850, 496}, {57, 480, 850, 472}}},
        {0, 500, ">--", {{57, 492, 850, 484}, {57, 476, 850, 484}}},
        {0, 500, "Vab--", {{51.8, 476, 850, 476}, {850, 476, 850, 500}}},
        {0, 96, "Tab", {{194.8, 476, 379, 476}, {194.8, 476, 194.8, 500}}},
        {0, 96, "--", {}},
    };
    for (const Case& c : cases) {
        auto& s = m.draw(5, c.start, c.length, c.text);
        EXPECT_EQ(Lines(s), c.lines) << c.text.toStdString();
        const QString label = c.text.startsWith('V') || c.text.startsWith('T') ? "ab" : "";
        EXPECT_EQ(Texts(Prints(s)), c.text.endsWith("--") ? "" : label) << c.text.toStdString();
    }
    EXPECT_EQ(At(m.draw(5, 0, 96, "Tab"), "ab", true), "200,476");
    EXPECT_DOUBLE_EQ(Prints(m.s).at(0).size, 18 * 0.618);
}

TEST(SpecialMarks, AHairpinBeginsAfterTheTextOfItsTickAndTextsAfterItStandAboveIt) {
    MarkDraw m;
    m.cells = {{0, 48, 96, 192, 384}, {200, 300, 392, 600, 913}};
    m.draw(2, 0, 0, "6");  // "f", 8 px wide here
    m.also(5, 0, 96, "<");
    EXPECT_EQ(Lines(m.s), std::vector<Drawn>({{210, 484, 392, 496}, {210, 484, 392, 472}}));
    m.also(3, 48, 0, "cresc.");  // within its span: over it
    EXPECT_EQ(At(m.s, "cresc.", true), "300,448");
}

TEST(SpecialMarks, GlyphMarksVerseTextsAndOrnaments) {
    MarkDraw m;
    struct Case { int code; int32_t start; QString text; int row; QString glyphs; std::string at; };
    const Case cases[] = {
        {5, 0, "x", 1, "x x x", "190.9,500 190.9,580 190.9,660"},  {5, 0, "x", 2, "", ""},
        {5, 192, "}", 1, "}", "579.2,500"},  // on a bar line
        {5, 0, "}", 1, "", ""},            // on the line's first tick: at the end of the line before
        {5, 96, "}", 1, "}", "387.667,500"},  {5, 96, "(ab", 1, "(ab", "387.938,500"},
        {5, 96, "#b", 1, "#b", "392,464"},  {5, 96, "pq", 1, "pq", "392,520"},
        {5, 96, "?a|bb", 1, "a bb", "383.16,540 374.32,560"},
        {6, 96, "12", 1, "n 12 c c c c c c", "382,500 376,476 376,468 382,468 387.2,468 376,464.8 382,464.8 387.2,464.8"},
        {6, 96, "", 1, "c c", "387.2,468 387.2,464.8"},
    };
    for (const Case& c : cases) {
        auto& s = m.draw(c.code, c.start, 300, c.text, c.row);
        EXPECT_EQ(Texts(Prints(s)), c.glyphs) << c.text.toStdString();
        EXPECT_EQ(At(s, QString(), true), c.at) << c.text.toStdString();
    }
    EXPECT_EQ(At(m.draw(5, 192, 300, "HII"), "I"), Range(613, 850, 13));  // up to the system's end, not the closing cell
    m.draw(5, 0, 0, "{");
    EXPECT_TRUE(m.run.StackMode);
    m.draw(5, 96, 0, "}");
    EXPECT_FALSE(m.run.StackMode);
}
