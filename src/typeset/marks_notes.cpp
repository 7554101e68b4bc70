// A note, a note without pitch or a rest of one row: the lyrics of every verse under it, its
// accidental, and its duration as cells cut at every beat (digit or dash, underlines, dot, octave
// dots), tied within the event, with tuplet arcs over groups of tuplet cells.
#include "typeset/marks.h"

#include <algorithm>
#include <cmath>

#include "document/lyrics.h"
#include "document/pitchdigits.h"
#include "document/timeline.h"
#include "platform/vbtext.h"
#include "typeset/notecells.h"
#include "typeset/pitchinbar.h"

namespace typeset {

namespace {

int roundi(double x) { return int(vb::Round(x)); }

class NoteDrawer {
public:
    NoteDrawer(vb::Surface& s, const MarkStyle& st, const RowContext& row, RowState& rs, RunState& run)
        : s_(s), st_(st), row_(row), rs_(rs), run_(run), song_(*row.Meter) {}

    void draw(const doc::NoteRecord& ev) {
        const int32_t start = PrintedStart(ev.Start, ev.Length), end = PrintedEnd(ev.Start, ev.Length);
        eventStart_ = start;
        QString lyric = ev.Lyric == QStringLiteral("-") ? QString() : ev.Lyric;
        digitY_ = row_.RowDigitY;
        arcY_ = digitY_ - 0.9 * st_.H - row_.AboveRise;
        const bool carried = lyric == QStringLiteral("--");  // carried over from the previous line
        if (carried) lyric.clear();
        tieFromX_ = -1;
        // A note on a bar line is read against the new bar's accidentals.
        if (doc::IsOnBarline(song_, start)) resetBar();
        digit_ = PitchToDigitInBar(ev.Pitch, octave_, accidental_, rs_.BarAccidentals);

        run_.StackIndex = start == rs_.PrevEventStart ? run_.StackIndex + 1 : 0;
        rs_.PrevEventStart = start;
        if (run_.StackMode) {
            digitY_ = StackedDigitY(st_, row_.RowDigitY, run_.StackIndex);
            arcY_ = digitY_ - 0.9 * st_.H - row_.AboveRise;
        }

        const int cell = CellAtOrBefore(*row_.Cells, start);
        if (cell >= 0) run_.EventX = row_.Cells->X[cell];
        run_.PenX = run_.EventX;
        if (carried) carriedTie();
        SetLyricFont(s_, st_.Fonts);
        for (int v = 1; v <= row_.Verses; ++v) {
            const QString verse = doc::GetVerseText(lyric, v - 1);
            if (verse != QStringLiteral("-"))  // "-" is a verse without a syllable
                PrintAt(s_, run_.EventX, (v - 1) * row_.LyricLineHeight + row_.RowLyricY, verse);
        }
        if (!accidental_.isEmpty()) {
            SetNotationFont(s_, st_.Fonts);
            PrintAt(s_, run_.EventX - st_.W / 4.0, digitY_, accidental_);
            if (!rs_.Braces.empty()) besideBraces(run_.EventX - st_.W / 4.0, st_.NotationFont(), accidental_);
        }

        ev_ = &ev;
        firstPiece_ = firstCell_ = true;
        int32_t p = start;
        int32_t nextBeat = doc::GetNextBeatTick(song_, start);
        while (nextBeat < end && nextBeat > p) {
            piece(p, nextBeat - p);
            p = nextBeat;
            nextBeat = doc::GetNextBeatTick(song_, nextBeat);
            firstPiece_ = false;
        }
        piece(p, end - p);
    }

private:
    // The end of a tie carried over from the previous line: it comes in just before the note, from
    // no further left than a quarter cell past the bracket (whose top hook stands there).
    void carriedTie() {
        SetNotationFont(s_, st_.Fonts);
        const double clear = st_.LeftMargin + row_.BracketWidth + (row_.Rows >= 3 ? st_.W / 4.0 : 0);
        const double from = std::max(clear, run_.EventX - st_.W / 2.0);
        const FontSpec notation = st_.NotationFont();
        const double top = vb::Round(arcY_);
        if (from < run_.EventX) {
            PrintAt(s_, from, arcY_, QStringLiteral("X"));
            rs_.ArcInk.push_back(TextInk(notation, QStringLiteral("X")).translated(vb::Round(from), top));
            rs_.CarriedArc |= rs_.ArcInk.back();
        }
        const QRectF end = TextInk(notation, QStringLiteral("Y"));
        const double x = std::max(clear - std::min(0.0, end.left()), double(run_.EventX));
        PrintAt(s_, x, arcY_, QStringLiteral("Y"));
        rs_.ArcInk.push_back(end.translated(vb::Round(x), top));
        rs_.CarriedArc |= rs_.ArcInk.back();
    }

    // A glyph of the note printed at (x, y), beside the braces of its tick.
    void besideBraces(double x, const FontSpec& font, const QString& text, double y = -1) {
        const QRectF ink = TextInk(font, text);
        if (ink.isNull()) return;
        const double top = vb::Round(y < 0 ? digitY_ : y);
        NoteInkForBraces(rs_, eventStart_, vb::Round(x) + ink.left(), top + ink.top(), top + ink.bottom());
    }

    void resetBar() {
        run_.LastDigit.clear();
        rs_.BarAccidentals = FreshBarAccidentals();
    }

    void closeTuplet() {
        if (rs_.TupletStartX < 0) return;
        rs_.Tuplets.push_back({rs_.TupletStartX, rs_.TupletEndX, rs_.TupletY});
        rs_.TupletStartX = -1;
    }

    void piece(int32_t p, int32_t n) {
        if (doc::IsOnBeat(song_, p)) {
            closeTuplet();
            if (p != eventStart_ && doc::IsOnBarline(song_, p)) resetBar();
        }
        tuplet_ = n % 3 != 0;
        ForEachPieceCell(p, n, [this](int32_t tick, int level, bool dotted) {
            if (!PrintsCell(tick, firstCell_, ev_->Start, ev_->Length)) return;
            firstCell_ = false;
            pieceStart_ = tick;
            cell(level, dotted);
        });
    }

    void cell(int level, bool dotted) {
        const int c = CellAt(*row_.Cells, pieceStart_);
        if (c >= 0) run_.PenX = row_.Cells->X[c];
        run_.EventX = run_.PenX;
        const int x = run_.EventX;
        if (!rs_.Braces.empty() && pieceStart_ == eventStart_) {  // the digit and its underlines
            besideBraces(x, st_.Fonts.Samples[2], digit_);
            for (int v = 1; v <= 4 - level; ++v)
                besideBraces(x, st_.NotationFont(), QStringLiteral("_"), digitY_ + v * st_.H / 8.0);
        }
        if (tuplet_) {
            if (rs_.TupletStartX < 0) rs_.TupletStartX = x, rs_.TupletY = arcY_;
            rs_.TupletEndX = x;
        } else {
            closeTuplet();
        }
        const bool pitched = digit_ != QStringLiteral("0");
        // The piece of a note running past the line's end: its tie reaches the end, its digit
        // belongs to the next line.
        if (pieceStart_ >= row_.LineEndTick) {
            if (pitched && tieFromX_ >= 0) tie(tieToLineEnd(x));
            tieFromX_ = x;
            return;
        }
        if (dotted) {
            if (pitched && tieFromX_ >= 0) tie(x);
            SetDigitFont(s_, st_.Fonts);
            PrintAt(s_, x, digitY_, digit_);
            tieFromX_ = x;
            SetNotationFont(s_, st_.Fonts);
            if (level == 4) s_.Print(QStringLiteral("a"), true);
            if (level == 3) s_.Print(QStringLiteral("b"), true);
            s_.Print(QStringLiteral("m"), true);
            run_.PenX = roundi(s_.CurrentX());
            marksUnder(level, x);
            return;
        }
        SetDigitFont(s_, st_.Fonts);
        const bool dash = digit_ == run_.LastDigit && level == 4 && !tuplet_ && !firstPiece_;
        PrintAt(s_, x, digitY_, dash ? QStringLiteral("-") : digit_);
        run_.LastCellWasDash = dash;
        if (pitched && level == 4) run_.LastDigit = digit_;
        run_.PenX = roundi(s_.CurrentX());
        if (dash) return;
        if (pitched && tieFromX_ >= 0) tie(x);
        tieFromX_ = x;
        marksUnder(level, x);
    }

    // A tie running on past the line's end (at x) reaches the system's right end, with no end of
    // its own there; past the score's end it stops a white column short of the closing mark.
    int tieToLineEnd(int x) const {
        if (row_.LineEndTick < song_.SongLength) return std::max(x, st_.R());
        const FontSpec notation = st_.NotationFont();
        const double clear = x + TextInk(notation, QStringLiteral("x")).left() - 1 - TextInk(notation, QStringLiteral("Y")).right();
        return std::max(tieFromX_, std::min(x, int(std::floor(clear))));
    }

    void tie(int x) {
        s_.SetCurrentY(arcY_);
        DrawSlur(s_, st_, tieFromX_, x);
        const std::vector<QRectF> ink = SlurInk(st_, tieFromX_, x, arcY_);
        rs_.ArcInk.insert(rs_.ArcInk.end(), ink.begin(), ink.end());
    }

    // Underlines, joined underlines and octave dots of a cell at x.
    void marksUnder(int level, int x) {
        SetNotationFont(s_, st_.Fonts);
        for (int v = 1; v <= 4 - level; ++v) PrintAt(s_, x, digitY_ + v * st_.H / 8.0, QStringLiteral("_"));
        if (!doc::IsOnBeat(song_, pieceStart_))
            DrawUnderlines(s_, st_, level, rs_.PrevLevel, rs_.PrevCellX, x, digitY_);
        rs_.PrevLevel = level;
        rs_.PrevCellX = x;
        if (octave_ < 0) {
            const QRectF ink = TextInk(st_.Fonts.Samples[2], digit_), dot = TextInk(st_.NotationFont(), QStringLiteral("l"));
            for (int v = 1; v <= -octave_; ++v) PrintAt(s_, x, LowDotY(st_, digitY_, ink, dot, v, level), QStringLiteral("l"));
        }
        for (int v = 1; v <= octave_; ++v)
            PrintAt(s_, x, digitY_ - v * st_.H / 6.0 - 0.87 * st_.H, QStringLiteral("l"));
    }

    vb::Surface& s_;
    const MarkStyle& st_;
    const RowContext& row_;
    RowState& rs_;
    RunState& run_;
    const doc::Song& song_;
    QString digit_, accidental_;
    int16_t octave_ = 0;
    double digitY_ = 0, arcY_ = 0;
    int tieFromX_ = -1;
    bool firstPiece_ = true, firstCell_ = true, tuplet_ = false;
    const doc::NoteRecord* ev_ = nullptr;
    int32_t eventStart_ = 0, pieceStart_ = 0;
};

}  // namespace

int StackedDigitY(const MarkStyle& st, int rowDigitY, int index) {
    return roundi(rowDigitY + (0.6 - 1.2 * index) * st.H);
}

double LowDotY(const MarkStyle& st, int digitY, const QRectF& ink, const QRectF& dot, int v, int level) {
    const double y = digitY + (v - level) * st.H / 6.0 + 0.48 * st.H;
    if (level < 4) return y;  // under underlines, which keep it apart
    // Right under a digit the dot keeps two white rows, so that print does not join them.
    if (dot.isNull() || ink.isNull()) return y;
    const double first = digitY + (1 - level) * st.H / 6.0 + 0.48 * st.H;
    const double white = vb::Round(first) + dot.top() - (digitY + ink.bottom());
    return white < kDigitWhite ? y + (kDigitWhite - white) : y;
}

int LyricDropOf(const MarkStyle& st, const RowContext& row, const doc::NoteRecord* first, const doc::NoteRecord* last) {
    if (!row.Meter || !row.Cells || first >= last) return 0;
    const FontSpec notation = st.NotationFont();
    const QRectF dot = TextInk(notation, QStringLiteral("l"));
    const QRectF underline = TextInk(notation, QStringLiteral("_")), join = TextInk(notation, QStringLiteral("c"));
    // What the note drawer puts below the digit line in every cell, as it places it: the lowest
    // octave dot, the lowest underline of every cell and of the joins between cells (three and four
    // underlines of short notes reach down as far as dots), and for the lower notes of a chord
    // stack their digit too; each as its ink's columns and the row after its last.
    struct Dot {
        double Left, Right, Bottom;
    };
    std::vector<Dot> dots;
    const auto add = [&](double left, double right, double y, const QRectF& ink) {
        // (Ink ending above the verse line's top never reaches a syllable's ink.)
        const double bottom = vb::Round(y) + ink.bottom();
        if (!ink.isNull() && bottom + kSyllableWhite > row.RowLyricY) dots.push_back({left + ink.left(), right + ink.right(), bottom});
    };
    bool stacked = false;  // between "{" and "}"
    int index = 0;
    int32_t previous = -1;
    int prevLevel = 4, prevX = 0;
    for (const doc::NoteRecord* ev = first; ev < last; ++ev) {
        if (ev->Pitch == 5 && ev->Lyric.startsWith(QLatin1Char('{'))) stacked = true;
        if (ev->Pitch == 5 && ev->Lyric.startsWith(QLatin1Char('}'))) stacked = false, index = 0;
        if (ev->Pitch <= 18) continue;
        const int32_t start = PrintedStart(ev->Start, ev->Length);
        index = start == previous ? index + 1 : 0;
        previous = start;
        const int digitY = stacked ? StackedDigitY(st, row.RowDigitY, index) : row.RowDigitY;
        int16_t octave = 0;
        QString accidental;
        const QString digit = doc::PitchToDigit(ev->Pitch, octave, accidental);
        if (ev->Pitch <= 20) octave = 0;
        const QRectF ownInk = octave < 0 || digitY > row.RowDigitY ? TextInk(st.Fonts.Samples[2], digit) : QRectF();
        const QRectF digitInk = digitY > row.RowDigitY ? ownInk : QRectF();
        ForEachNoteCell(*row.Meter, ev->Start, ev->Length, [&](int32_t tick, int level, bool) {
            const int c = CellAt(*row.Cells, tick);
            if (c < 0) return;
            const int x = row.Cells->X[c];
            if (octave < 0) add(x, x, LowDotY(st, digitY, ownInk, dot, -octave, level), dot);
            add(x, x, digitY, digitInk);
            if (level < 4) add(x, x, digitY + (4 - level) * st.H / 8.0, underline);
            const int joined = 4 - std::max(level, prevLevel);
            if (!doc::IsOnBeat(*row.Meter, tick) && joined > 0) add(prevX + st.W, x, digitY + joined * st.H / 8.0, join);
            prevLevel = level, prevX = x;
        });
    }
    if (dots.empty()) return 0;
    // The syllables of the first verse: the dots must keep a white row above their ink. The dots
    // in left-to-right order, so that each syllable looks at those beside it only.
    std::sort(dots.begin(), dots.end(), [](const Dot& a, const Dot& b) { return a.Left < b.Left; });
    double widest = 0;
    for (const Dot& d : dots) widest = std::max(widest, d.Right - d.Left);
    const FontSpec lyricFont = st.Fonts.Samples[1];
    int drop = 0;
    for (const doc::NoteRecord* ev = first; ev < last; ++ev) {
        if (ev->Pitch <= 18 || ev->Lyric.isEmpty() || ev->Lyric == QStringLiteral("-") ||
            ev->Lyric == QStringLiteral("--"))
            continue;
        const QString verse = doc::GetVerseText(ev->Lyric, 0);
        if (verse.isEmpty() || verse == QStringLiteral("-")) continue;
        const QRectF ink = TextInk(lyricFont, verse);
        if (ink.isNull()) continue;
        const int32_t start = PrintedStart(ev->Start, ev->Length);  // the syllable stands at the cell its note is printed from
        const int c = CellAtOrBefore(*row.Cells, start);
        if (c < 0) continue;
        const double left = row.Cells->X[c] + ink.left(), right = row.Cells->X[c] + ink.right();
        const double top = row.RowLyricY + ink.top();
        auto d = std::lower_bound(dots.begin(), dots.end(), left - 1 - widest,
                                  [](const Dot& a, double x) { return a.Left < x; });
        for (; d != dots.end() && d->Left <= right + 1; ++d)
            if (d->Right >= left - 1) drop = std::max(drop, int(std::ceil(d->Bottom)) + kSyllableWhite - int(std::floor(top)));
    }
    return drop;
}

int AboveRiseOf(const MarkStyle& st, const RowContext& row, const doc::NoteRecord* first, const doc::NoteRecord* last) {
    if (!row.Meter || !row.Cells || first >= last) return 0;
    const FontSpec notation = st.NotationFont();
    const QRectF dot = TextInk(notation, QStringLiteral("l"));
    if (dot.isNull()) return 0;
    // The lowest arc ink over the dot's columns: an arc's ends come down towards the digits.
    const int from = int(std::floor(dot.left())), to = int(std::ceil(dot.right()));
    double arcBottom = -1e9;
    for (const QString& piece : {QStringLiteral("W"), QStringLiteral("X"), QStringLiteral("Y")}) {
        const QRectF ink = TextInkIn(notation, piece, from, to);
        if (!ink.isNull()) arcBottom = std::max(arcBottom, ink.bottom());
    }
    if (arcBottom < -1e8) return 0;
    const double arcY = vb::Round(row.RowDigitY - 0.9 * st.H);
    int rise = 0;
    for (const doc::NoteRecord* ev = first; ev < last; ++ev) {
        if (ev->Pitch <= 20) continue;
        int16_t octave = 0;
        QString accidental;
        doc::PitchToDigit(ev->Pitch, octave, accidental);
        if (octave <= 0) continue;
        const double top = vb::Round(row.RowDigitY - octave * st.H / 6.0 - 0.87 * st.H) + dot.top();
        rise = std::max(rise, int(std::ceil(arcY + arcBottom)) + 1 - int(std::floor(top)));
    }
    return rise;
}

void DrawNoteEvent(vb::Surface& s, const MarkStyle& st, const RowContext& row, RowState& rs, RunState& run,
                   const doc::NoteRecord& ev) {
    if (!row.Meter || !row.Cells) return;
    NoteDrawer(s, st, row, rs, run).draw(ev);
}

void CloseRow(vb::Surface& s, const MarkStyle& st, RowState& rs) {
    PrintChordBraces(s, st, rs);
    if (rs.TupletStartX >= 0) rs.Tuplets.push_back({rs.TupletStartX, rs.TupletEndX, rs.TupletY});
    rs.TupletStartX = -1;
    for (const RowState::Tuplet& t : rs.Tuplets) {
        const double y = TupletArcY(st, t.X1, t.X2, t.Y, rs.ArcInk);
        s.SetCurrentY(y);
        DrawTupletArc(s, st, t.X1, t.X2);
        const std::vector<QRectF> ink = TupletArcInk(st, t.X1, t.X2, y);
        rs.ArcInk.insert(rs.ArcInk.end(), ink.begin(), ink.end());
    }
    rs.Tuplets.clear();
}

void DrawRowEvent(vb::Surface& s, const MarkStyle& st, const RowContext& row, RowState& rs, RunState& run,
                  const doc::NoteRecord& ev) {
    if (!rs.Braces.empty()) {  // the notes beside the braces waiting are drawn
        const int32_t tick = PrintedStart(ev.Start, ev.Length);
        if (tick != rs.Braces.back().Tick) PrintChordBraces(s, st, rs);
    }
    if (ev.Pitch > 18) {
        DrawNoteEvent(s, st, row, rs, run, ev);
    } else if (ev.Pitch >= 2 && ev.Pitch <= 4) {
        DrawTextMark(s, st, row, run, ev);
    } else if (ev.Pitch == 5) {
        DrawSpecialMark(s, st, row, run, ev);
        if (ev.Lyric.startsWith(QLatin1Char('{')) || ev.Lyric.startsWith(QLatin1Char('}'))) OpenChordBrace(st, row, rs, ev);
    } else if (ev.Pitch == 6) {
        DrawOrnament(s, st, row, run, ev);
    }
}

}  // namespace typeset
