#include <gtest/gtest.h>

#include <set>

#include "app/startup.h"
#include "marks_testing.h"
#include "platform/vbtext.h"
#include "support/songs.h"

using namespace markstest;
using namespace typeset;

namespace {

struct Ev { int32_t start; int16_t length; int pitch; QString lyric = QString(); };

// One row of a 4/4 line 0..384, a cell at every tick the events name at x = 100 + 4 × tick,
// digits at y 200 (H 24), verse lines from y 240. Draws the events and, when asked, ends the row.
struct RowDraw : RowDrawState {
    explicit RowDraw(const std::vector<Ev>& events, bool stack = false, bool close = false, int verses = 1) {
        std::set<int32_t> ticks = {0};
        for (const Ev& e : events) ticks.insert({e.start, e.start + e.length});
        for (int32_t t : ticks) cells.Ticks.push_back(t), cells.X.push_back(x(t));
        cells.Ticks.push_back(384), cells.X.push_back(900);
        st.PrintableWidth = 850;
        row = {.Meter = song.get(), .Cells = &cells, .LineEndTick = 384, .RowDigitY = 200, .RowLyricY = 240,
               .LyricLineHeight = 20, .Verses = verses};
        run.StackMode = stack;
        for (const Ev& e : events)
            DrawRowEvent(s, st, row, rs, run, {.Start = e.start, .Length = e.length, .Pitch = uint8_t(e.pitch), .Lyric = e.lyric});
        if (close) CloseRow(s, st, rs);
    }
    static int x(int32_t tick) { return 100 + 4 * tick; }
    // The texts printed in a font, in order, leaving out the arc and underline pieces.
    QString texts(const QString& font) const {
        QStringList out;
        for (const Printed& p : Prints(s))
            if (p.font == font && p.text != "c" && p.text != "Z" && p.text != "X") out << p.text;
        return out.join(' ');
    }
};

}  // namespace

TEST(NoteGlyphs, DurationsAreCutAtBeatsIntoDigitsDashesDotsUnderlinesAndArcs) {
    struct Case { std::vector<Ev> events; QString digits, notation; };
    const std::vector<Case> cases = {
        {{{0, 96, 67}}, "5 -", ""},                                       // half note
        {{{0, 72, 67}}, "5 5", "Y W _"},                                  // dotted quarter: a tied eighth
        {{{0, 36, 67}}, "5", "b m _"},                                    // dotted eighth
        {{{0, 96, 19}}, "0 0", ""},                                       // two-beat rest
        {{{0, 48, 67}, {48, 48, 67}}, "5 5", ""},                         // a new note shows its digit
        {{{144, 96, 67}}, "5 5", "Y W"},                                  // across a bar line: tied again
        {{{0, 24, 60}, {24, 12, 62}, {36, 12, 64}}, "1 2 3", "_ _ _ _ _"},  // eighth and two sixteenths
        {{{0, 16, 60}, {16, 16, 62}, {32, 16, 64}}, "1 2 3", "_ _ _ W Y M"},      // triplet eighths, open at the row end
        {{{0, 16, 60}, {16, 16, 62}, {32, 16, 64}, {48, 48, 65}}, "1 2 3 4", "_ _ _ W Y M"},  // closed at the beat
    };
    for (const Case& c : cases) {
        RowDraw r(c.events, false, true);
        EXPECT_EQ(r.texts("黑体"), c.digits) << c.digits.toStdString();
        EXPECT_EQ(r.texts("Qelto"), c.notation) << c.digits.toStdString();
    }
    RowDraw joined({{0, 24, 60}, {24, 12, 62}, {36, 12, 64}});  // one line joins 1 to 2, two join 2 to 3
    EXPECT_EQ(At(joined.s, "c"), Range(113, 191, 6) + " " + Range(209, 239, 6) + " " + Range(209, 239, 6));
    std::vector<double> ys(20, 203);
    ys.resize(26, 206);
    EXPECT_EQ(Ys(Prints(joined.s, "c")), ys);
    EXPECT_EQ(Ys(Prints(joined.s, "_")), (std::vector<double>{203, 203, 206, 203, 206}));
    RowDraw closed({{0, 16, 60}, {16, 16, 62}, {32, 16, 64}}, false, true);
    EXPECT_EQ(At(closed.s, "M", true), "164,178.4");  // the arc of a group ending the row, at the row's end
}

TEST(NoteGlyphs, OctaveDotsStackingAccidentalsAndLyrics) {
    EXPECT_EQ(Ys(Prints(RowDraw({{0, 48, 84}}).s, "l")), (std::vector<double>{200 - 4 - 0.87 * 24, 200 - 8 - 0.87 * 24}));
    // An eighth an octave down: the dot one step below the quarter's place, under the underline.
    EXPECT_EQ(Ys(Prints(RowDraw({{0, 24, 48}}).s, "l")), std::vector<double>{200 + (1 - 3) * 4 + 0.48 * 24});
    RowDraw chord({{0, 48, 60}, {0, 48, 64}}, true);
    EXPECT_EQ(At(chord.s, "1", true) + " " + At(chord.s, "3", true), "100,214 100,186");  // 1.2 H apart, rounded

    struct Case { std::vector<Ev> events; QString signs; };
    for (const Case& c : {Case{{{0, 48, 66}, {48, 48, 65}}, "t s"}, Case{{{0, 48, 66}, {48, 48, 66}}, "t"},
                          Case{{{144, 48, 66}, {192, 48, 66}}, "t t"}})
        EXPECT_EQ(RowDraw(c.events).texts("Qelto"), c.signs) << c.signs.toStdString();

    RowDraw words({{0, 48, 60, "la|-|mi"}, {48, 48, 62, "-"}, {96, 48, 64, "--"}}, false, false, 3);
    EXPECT_EQ(At(words.s, "la", true) + " " + At(words.s, "mi", true), "100,240 100,280");
    EXPECT_EQ(words.texts("宋体"), "la mi");     // "-" is a verse without a syllable
    // The carried-over tie comes in just before its note: half a cell of arc, then its end.
    EXPECT_EQ(At(words.s, "X", true) + " " + At(words.s, "Y", true), "477.5,178.4 484,178.4");
    // It starts no further left than the bracket's room (a quarter cell more under the top hook of
    // three rows): with no room for the arc, only its end, right of the hook.
    struct Start { int rows, cellX; std::string lead; double endFrom; };
    for (const Start& c : {Start{2, 100, "93.5", 100}, Start{3, 100, "93.5", 100}, Start{2, 12, "10", 12},
                           Start{3, 12, "", 13.25}}) {
        RowDraw bracketed({});
        bracketed.row.Rows = c.rows, bracketed.row.BracketWidth = 10;
        bracketed.cells.X[0] = c.cellX;
        DrawRowEvent(bracketed.s, bracketed.st, bracketed.row, bracketed.rs, bracketed.run,
                     {.Start = 0, .Length = 48, .Pitch = 60, .Lyric = "--"});
        EXPECT_EQ(At(bracketed.s, "X"), c.lead) << c.rows << " " << c.cellX;
        const double end = Xs(Prints(bracketed.s, "Y")).at(0);
        if (c.cellX >= c.endFrom)
            EXPECT_EQ(end, c.cellX) << c.rows << " " << c.cellX;
        else
            EXPECT_GE(end, c.endFrom) << c.rows << " " << c.cellX;
    }

    RowDraw odd({{0, 47, 60}, {47, 49, 62}});  // 47 rounds to 48, which has no cell: the cell before it
    EXPECT_EQ(Xs(Prints(odd.s, "2")).front(), RowDraw::x(47));
}

// A tuplet arc with its figure stands at the height of the row's arcs unless it would touch a tie
// of the row or a tuplet arc before it: then higher, kArcWhite white rows clear of their ink.
TEST(NoteGlyphs, TupletArcsStandClearOfTiesAndOfEachOther) {
    app::installFonts(PROGRAM_DIR);
    struct Case { const char* name; std::vector<Ev> events; std::vector<bool> raised; };
    const Case cases[] = {
        {"a triplet, then a quarter", {{0, 16, 60}, {16, 16, 62}, {32, 16, 64}, {48, 48, 65}}, {false}},
        {"its last note tied over the beat", {{0, 16, 60}, {16, 16, 62}, {32, 64, 64}}, {true}},
        {"its first note tied from the beat before", {{0, 64, 60}, {64, 16, 62}, {80, 16, 64}}, {true}},
        {"one note in each of two beats, 8 pixels apart", {{46, 2, 60}, {48, 2, 62}}, {false, true}},
    };
    for (const Case& c : cases) {
        const RowDraw d(c.events, false, true);
        std::vector<bool> raised;
        for (const Printed& m : Prints(d.s, "M")) raised.push_back(m.y < 178.4);
        EXPECT_EQ(raised, c.raised) << c.name;
        // The ends and figures of arcs standing at different heights keep their white rows.
        std::vector<std::pair<double, QRectF>> inks;
        for (const QString glyph : {"W", "Y", "M"})
            for (const Printed& p : Prints(d.s, glyph))
                inks.push_back({p.y, TextInk(d.st.NotationFont(), glyph).translated(vb::Round(p.x), vb::Round(p.y))});
        for (const auto& [y, ink] : inks)
            for (const auto& [y2, ink2] : inks)
                if (y < y2) { EXPECT_FALSE(ink.adjusted(0, 0, 0, kArcWhite).intersects(ink2)) << c.name; }
    }
}

// A chord's brace stands W / 3 before its cell unless the notes of its tick reach that far: then a
// white column left of their ink (an accidental, a digit's underline), a brace of the same tick
// further left still. Ink above or below the brace leaves it where it is.
TEST(NoteGlyphs, ChordBracesKeepAWhiteColumnFromTheNotesBesideThem) {
    app::installFonts(PROGRAM_DIR);
    const auto inkOf = [](const RowDraw& d, const QString& glyph) {
        const Printed p = Prints(d.s, glyph).at(0);
        const FontSpec font = p.font == "Qelto" ? d.st.NotationFont() : d.st.Fonts.Samples[2];
        return TextInk(font, glyph).translated(vb::Round(p.x), vb::Round(p.y));
    };
    struct Case { const char* name; std::vector<Ev> events; QString brace, beside; };
    const Case cases[] = {
        {"a chord without accidentals", {{96, 0, 5, "{"}, {96, 48, 64}, {96, 48, 76}}, "{", "3"},
        {"a sharp on the chord's lower note", {{96, 0, 5, "{"}, {96, 48, 61}, {96, 48, 64}}, "{", "t"},
        {"a sharp on the stack's top note, above the brace", {{96, 0, 5, "{"}, {96, 48, 64}, {96, 48, 76}, {96, 48, 80}},
         "{", "3"},
        {"a flat on the note after the chord", {{96, 0, 5, "}"}, {96, 48, 63}}, "}", "r"},
        {"an eighth after the chord", {{96, 0, 5, "}"}, {96, 24, 64}}, "}", "_"},
        {"the next chord opened on the same tick", {{96, 0, 5, "{"}, {96, 0, 5, "}"}, {96, 48, 61}}, "}", "{"},
    };
    for (const Case& c : cases) {
        const RowDraw d(c.events, false, true);
        EXPECT_EQ(inkOf(d, c.brace).right() + 1, inkOf(d, c.beside).left()) << c.name;  // one white column
    }
    // Where nothing comes that close, the brace stands W / 3 before its cell.
    EXPECT_EQ(At(RowDraw({{96, 0, 5, "}"}, {96, 48, 60}}, false, true).s, "}"), "479.667");
}
