#include <gtest/gtest.h>

#include "marks_testing.h"
#include "support/songs.h"

using namespace markstest;
using namespace typeset;

namespace {

struct Ev { int32_t start; int16_t length; int pitch; QString lyric = QString(); };

// One row of a 4/4 line from tick 0 to 384, a cell at every tick the events name, x = 100 + 4 × tick;
// digits at y 200. Draws the events in order and, when asked, ends the row.
class RowDraw {
public:
    explicit RowDraw(const std::vector<Ev>& events, bool stack = false, bool close = false, int verses = 1) {
        for (const Ev& e : events) ticks.push_back(e.start), ticks.push_back(e.start + e.length);
        ticks.push_back(0);
        std::sort(ticks.begin(), ticks.end());
        ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
        for (int32_t t : ticks)
            if (t < 384) cells.Ticks.push_back(t), cells.X.push_back(x(t));
        cells.Ticks.push_back(384), cells.X.push_back(900);
        st.PrintableWidth = 850;
        row.Meter = song.get(), row.Cells = &cells, row.LineEndTick = 384;
        row.RowDigitY = 200, row.RowLyricY = 240, row.LyricLineHeight = 20, row.Verses = verses;
        run.StackMode = stack;
        for (const Ev& e : events) {
            doc::NoteRecord n;
            n.Start = e.start, n.Length = e.length, n.Pitch = uint8_t(e.pitch), n.Lyric = e.lyric;
            DrawRowEvent(s, st, row, rs, run, n);
        }
        if (close) CloseRow(s, st, rs);
    }
    static int x(int32_t tick) { return 100 + 4 * tick; }
    // The digit-font texts in order ("5 -").
    QString digits() const {
        QStringList out;
        for (const Printed& p : Prints(s))
            if (p.font == "黑体") out << p.text;
        return out.join(' ');
    }
    std::unique_ptr<doc::Song> song = testsongs::NewSong(true);
    MarkStyle st = Style();
    std::vector<int32_t> ticks;
    LineCells cells;
    RowContext row;
    RowState rs;
    RunState run;
    vb::RecordingSurface s;
};

}  // namespace

TEST(NoteGlyphs, DurationsAreCutAtBeatsIntoDigitsDashesDotsAndUnderlines) {
    struct Case { std::vector<Ev> events; QString digits; size_t underlines; QString notation; };
    const std::vector<Case> cases = {
        {{{0, 96, 67}}, "5 -", 0, ""},                                  // half note
        {{{0, 72, 67}}, "5 5", 1, "Y W _"},                             // dotted quarter: tied eighth
        {{{0, 36, 67}}, "5", 1, "b m _"},                               // dotted eighth
        {{{0, 96, 19}}, "0 0", 0, ""},                                  // two-beat rest
        {{{0, 48, 67}, {48, 48, 67}}, "5 5", 0, ""},                    // a new note shows its digit
        {{{144, 96, 67}}, "5 5", 0, "Y W"},                             // across a bar line: tied again
        {{{0, 24, 60}, {24, 12, 62}, {36, 12, 64}}, "1 2 3", 5, "_ _ _ _ _"},   // eighth and two sixteenths
    };
    for (const Case& c : cases) {
        RowDraw r(c.events);
        EXPECT_EQ(r.digits(), c.digits) << c.digits.toStdString();
        EXPECT_EQ(Prints(r.s, "_").size(), c.underlines) << c.digits.toStdString();
        QStringList notation;
        for (const Printed& p : Prints(r.s))
            if (p.font == "Qelto" && p.text != "c" && p.text != "Z" && p.text != "X") notation << p.text;
        EXPECT_EQ(notation.join(' '), c.notation) << c.digits.toStdString();
    }
    RowDraw joined({{0, 24, 60}, {24, 12, 62}, {36, 12, 64}});
    const auto c = Prints(joined.s, "c");  // one line joins 1 to 2, two join 2 to 3
    EXPECT_EQ(Xs(c).front(), RowDraw::x(0) + 13);
    for (const Printed& p : c) EXPECT_TRUE(p.y == 203 || (p.y == 206 && p.x > RowDraw::x(24))) << p.x << "," << p.y;
    EXPECT_EQ(Ys(Prints(joined.s, "_")), (std::vector<double>{203, 203, 206, 203, 206}));
}

TEST(NoteGlyphs, TupletGroupsGetTheirArcAtTheNextBeatOrAtTheRowEnd) {
    const std::vector<Ev> triplet = {{0, 16, 60}, {16, 16, 62}, {32, 16, 64}};
    RowDraw open(triplet);
    EXPECT_EQ(open.digits(), "1 2 3");
    EXPECT_EQ(Prints(open.s, "_").size(), 3u);  // written as eighths
    EXPECT_TRUE(Prints(open.s, "M").empty());
    RowDraw closed(triplet, false, true);
    std::vector<Ev> next = triplet;
    next.push_back({48, 48, 65});
    RowDraw atBeat(next);
    for (RowDraw* r : {&closed, &atBeat}) {
        EXPECT_EQ(Xs(Prints(r->s, "M")), std::vector<double>{(RowDraw::x(0) + RowDraw::x(32)) / 2.0});
        EXPECT_EQ(Xs(Prints(r->s, "W")), std::vector<double>{double(RowDraw::x(0))});
        EXPECT_EQ(Ys(Prints(r->s, "M")), std::vector<double>{200 - 0.9 * 24});
    }
}

TEST(NoteGlyphs, OctaveDotsStackingAccidentalsAndLyrics) {
    RowDraw high({{0, 48, 84}});
    EXPECT_EQ(Ys(Prints(high.s, "l")), (std::vector<double>{200 - 4 - 0.87 * 24, 200 - 8 - 0.87 * 24}));
    RowDraw low({{0, 24, 48}});  // an eighth an octave down: the dot below its underline
    EXPECT_EQ(Ys(Prints(low.s, "l")), std::vector<double>{200 + (1 - 3) * 4 + 0.48 * 24});

    RowDraw chord({{0, 48, 60}, {0, 48, 64}}, true);
    EXPECT_EQ(Ys(Prints(chord.s, "1")), std::vector<double>{214});  // Round(200 + 0.6 H)
    EXPECT_EQ(Ys(Prints(chord.s, "3")), std::vector<double>{186});  // 1.2 H higher, rounded

    struct Case { std::vector<Ev> events; QString signs; };
    for (const Case& c : {Case{{{0, 48, 66}, {48, 48, 65}}, "t s"}, Case{{{0, 48, 66}, {48, 48, 66}}, "t"},
                          Case{{{144, 48, 66}, {192, 48, 66}}, "t t"}}) {
        RowDraw r(c.events);
        QStringList signs;
        for (const Printed& p : Prints(r.s))
            if (p.text == "t" || p.text == "s" || p.text == "r") signs << p.text;
        EXPECT_EQ(signs.join(' '), c.signs);
    }

    RowDraw words({{0, 48, 60, "la|-|mi"}, {48, 48, 62, "-"}, {96, 48, 64, "--"}}, false, false, 3);
    const auto lyrics = Prints(words.s);
    QStringList sung;
    for (const Printed& p : lyrics)
        if (p.font == "宋体") sung << QString("%1@%2,%3").arg(p.text).arg(p.x).arg(p.y);
    EXPECT_EQ(sung.join(' '), "la@100,240 mi@100,280");
    EXPECT_EQ(Xs(Prints(words.s, "Y")), std::vector<double>{0});  // the carried-over tie ends at the line start

    RowDraw odd({{0, 47, 60}, {47, 49, 62}});  // 47 rounds to 48, which has no cell: the cell before it
    EXPECT_EQ(Xs(Prints(odd.s, "2")).front(), RowDraw::x(47));
}
