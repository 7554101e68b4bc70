// Special marks (glyphs beside or above the digits, verse texts, chord brackets, hairpins,
// extension lines, bracket lines, glyphs through every row) and ornaments.
#include "typeset/marks.h"

#include <algorithm>
#include <cmath>

#include "document/lyrics.h"
#include "document/texthelpers.h"
#include "document/timeline.h"
#include "platform/vbtext.h"

namespace typeset {

namespace {

int roundi(double x) { return int(vb::Round(x)); }

void line(vb::Surface& s, double x1, double y1, double x2, double y2) { s.Line(x1, y1, x2, y2, 0); }

// A hairpin's two strokes from x `a` to x `b`, each given by its heights above the digit line `Y`
// at a and at b, in digit heights `H`.
void hairpin(vb::Surface& s, double a, double b, double Y, double H, double a1, double b1, double a2, double b2) {
    line(s, a, Y - a1 * H, b, Y - b1 * H);
    line(s, a, Y - a2 * H, b, Y - b2 * H);
}

// A hairpin from x0 to x1 over the band top..bottom begins after the texts standing at its start
// (a dynamic of the same tick), and the texts placed after it stack above it.
double HairpinStart(RunState& run, double x0, double x1, double top, double bottom) {
    double start = x0;
    for (const QRectF& b : run.MarkBoxes)
        if (b.left() <= start + 1 && b.right() > start && b.top() < bottom && b.bottom() > top) start = b.right() + 2;
    if (start >= x1) start = x0;
    run.MarkBoxes.push_back(QRectF(start, top, std::max(x1 - start, 0.0), bottom - top));
    return start;
}

}  // namespace

void DrawSpecialMark(vb::Surface& s, const MarkStyle& st, const RowContext& row, RunState& run,
                     const doc::NoteRecord& ev) {
    if (!row.Cells) return;
    const QString t = ev.Lyric;
    // A mark continued from the line before draws again only as a hairpin or a bracket line.
    if (t == QStringLiteral("--")) return;
    SetNotationFont(s, st.Fonts);
    int cell = CellAtOrBefore(*row.Cells, ev.Start);
    if (cell >= 0) run.EventX = row.Cells->X[cell];
    int32_t length = ev.Length;
    RoundOddUpUnlessTuplet(length);
    bool clipped = false;
    if (ev.Start + length > row.LineEndTick) {
        length = row.LineEndTick - ev.Start;
        clipped = true;
    }
    cell = CellAtOrBefore(*row.Cells, ev.Start + length);
    if (cell >= 0) run.SpanEndX = row.Cells->X[cell];

    const double x0 = run.EventX, x1 = run.SpanEndX, Y = row.RowDigitY, H = st.H, W = st.W;
    const double A = Y - row.AboveRise;  // the line the marks above the digits stand on
    const double L = st.LeftMargin, R = st.R();
    // A continued piece that is cut again (a mark over more than one line start) runs to the
    // system's right end, not to the off-page closing cell.
    const double xc = clipped ? R : x1;
    const bool onBar = row.Meter && doc::IsOnBarline(*row.Meter, ev.Start);
    const QChar first = t.isEmpty() ? QChar() : t[0];
    switch (first.unicode()) {
    case '?': {  // a text under the note, one field per verse
        SetLyricFont(s, st.Fonts);
        for (int v = 1; v <= row.Verses; ++v) {
            const QString text = doc::GetVerseText(t.mid(1), v - 1);
            if (text == QStringLiteral("-")) continue;
            PrintAt(s, x0 - W * doc::MeasureTextWidth(text) * 0.68, row.RowLyricY + (v - 1) * row.LyricLineHeight, text);
        }
        return;
    }
    case '(': PrintAt(s, x0 - W / 3.2, Y, t); return;
    case ')': PrintAt(s, onBar ? x0 - W * 1.6 : x0 - W / 3.2, Y, t); return;
    case '{':  // the brace itself waits for the chord's notes (OpenChordBrace)
        run.StackMode = true;
        return;
    case '}':
        run.StackMode = false;
        run.StackIndex = 0;
        return;
    case '|': PrintAt(s, x0 - W / 3, Y, QStringLiteral("|")); return;
    case '<':
        if (t == QStringLiteral("<--"))
            hairpin(s, L, xc, A, H, 0.3, 0.1, 0.5, 0.7);
        else if (clipped)
            hairpin(s, HairpinStart(run, x0, R, A - 0.7 * H, A - 0.1 * H), R, A, H, 0.4, 0.2, 0.4, 0.6);
        else
            hairpin(s, HairpinStart(run, x0, x1, A - 0.7 * H, A - 0.1 * H), x1, A, H, 0.4, 0.1, 0.4, 0.7);
        return;
    case '>':
        if (t == QStringLiteral(">--"))
            hairpin(s, L, xc, A, H, 0.2, 0.4, 0.6, 0.4);
        else if (clipped)
            hairpin(s, HairpinStart(run, x0, R, A - 0.7 * H, A - 0.1 * H), R, A, H, 0.1, 0.3, 0.7, 0.5);
        else
            hairpin(s, HairpinStart(run, x0, x1, A - 0.7 * H, A - 0.1 * H), x1, A, H, 0.1, 0.4, 0.7, 0.4);
        return;
    case 'H':
    case 'I':
        s.SetCurrentY(A - H * 0.9);
        if (t == QStringLiteral("HII"))
            DrawExtensionLine(s, st, run.EventX, run.SpanEndX);
        else if (t == QStringLiteral("II"))
            DrawExtensionContinuation(s, st, run.EventX, run.SpanEndX);
        else
            PrintAt(s, x0, A - H * 0.9, t);
        return;
    case 'T':
    case 'V': {
        const bool endHook = first == QLatin1Char('V');
        const double yb = A - H * 0.6;
        if (t.endsWith(QStringLiteral("--"))) {  // continued from the line before: no start hook, no label
            const double end = clipped ? R : x1 - W;
            line(s, L - W * 0.4, yb, end, yb);
            if (endHook) line(s, end, yb, end, A);
            return;
        }
        const double right = clipped ? R : x1 - W;
        line(s, x0 - W * 0.4, yb, right, yb);
        if (endHook) line(s, right, yb, right, A);
        line(s, x0 - W * 0.4, yb, x0 - W * 0.4, A);
        QString label = t.mid(1);
        doc::ReplaceAll(label, QStringLiteral("--"), QString());
        SetDigitFont(s, st.Fonts);
        s.SetFontSize(s.FontSize() * 0.618);
        PrintMarkAt(s, run, x0, yb, label);
        return;
    }
    case 'h':
    case 'i':
    case 'j':
    case 'x': {  // a glyph through every row of the system, from the top row only
        if (row.Row != 1) return;
        const double k = first == QLatin1Char('h') ? 0.9 : first == QLatin1Char('i') ? 1.1 : 0.7;
        // Each row's glyph belongs to that row, and moves with it where the rows stand apart.
        for (int r = 1; r <= row.Rows; ++r) {
            if (row.DrawingRow) *row.DrawingRow = r - 1;
            PrintAt(s, x0 - W * k, Y + (r - 1) * st.RowPitch(), QString(first));
        }
        if (row.DrawingRow) *row.DrawingRow = row.Row - 1;
        return;
    }
    case 'p': PrintAt(s, x0, Y + H * 0.5, t); return;
    default: PrintAt(s, x0, A - H * 0.9, t); return;
    }
}

void DrawOrnament(vb::Surface& s, const MarkStyle& st, const RowContext& row, RunState& run,
                  const doc::NoteRecord& ev) {
    if (!row.Cells || ev.Lyric == QStringLiteral("--")) return;
    const int cell = CellAtOrBefore(*row.Cells, ev.Start);
    if (cell >= 0) run.EventX = row.Cells->X[cell];
    const QString t = ev.Lyric;
    const double x0 = run.EventX, Y = row.RowDigitY, H = st.H;
    SetNotationFont(s, st.Fonts);
    const int n = int(t.size());
    const int m = int(vb::Int(n * 0.618 + 0.5));
    for (int v = 1; v <= m; ++v) PrintAt(s, x0 - st.GlyphWidthO * v, Y, v == m ? QStringLiteral("n") : QStringLiteral("o"));
    SetDigitFont(s, st.Fonts);
    s.SetFontSize(s.FontSize() * 0.618);
    const int ws = roundi(st.W * 0.618);
    PrintAt(s, x0 - ws * n, Y - H * 0.6, t);
    SetNotationFont(s, st.Fonts);
    const int wc = st.GlyphWidthC;
    for (double y : {Y - H * 0.8, Y - H * 0.88}) {
        const int e = roundi(x0 - wc * 0.8);
        for (int x = roundi(x0 - ws * n); x <= e; x += std::max(wc, 1)) PrintAt(s, x, y, QStringLiteral("c"));
        PrintAt(s, x0 - wc * 0.8, y, QStringLiteral("c"));
    }
}

bool IsClosingBrace(const doc::NoteRecord& ev) { return ev.Pitch == 5 && ev.Lyric.startsWith(QLatin1Char('}')); }

void OpenChordBrace(const MarkStyle& st, const RowContext& row, RowState& rs, const doc::NoteRecord& ev) {
    if (!row.Cells || !row.Meter || row.Cells->Ticks.empty()) return;
    const bool closing = IsClosingBrace(ev);
    if (closing && ev.Start <= row.Cells->Ticks.front()) return;  // drawn at the line before's end
    const int cell = CellAtOrBefore(*row.Cells, ev.Start);
    if (cell < 0) return;
    const double x0 = row.Cells->X[size_t(cell)];
    const bool onBar = closing && doc::IsOnBarline(*row.Meter, ev.Start);
    RowState::Brace b;
    b.Glyph = closing ? QStringLiteral("}") : QStringLiteral("{");
    b.Tick = ev.Start;
    RoundOddUpUnlessTuplet(b.Tick);
    b.X = onBar ? x0 - st.W * 1.6 : x0 - st.W / 3.0;
    b.Y = row.RowDigitY;
    const QRectF ink = TextInk(st.NotationFont(), b.Glyph);
    b.Top = b.Y + ink.top(), b.Bottom = b.Y + ink.bottom();
    rs.Braces.push_back(b);
}

void NoteInkForBraces(RowState& rs, int32_t tick, double left, double top, double bottom) {
    for (RowState::Brace& b : rs.Braces) {
        if (b.Tick != tick) continue;
        // Ink above or below the brace, a white row apart, leaves it where it is.
        if (top < b.Bottom + 1 && bottom + 1 > b.Top) b.InkLeft = std::min(b.InkLeft, left);
    }
}

void PrintChordBraces(vb::Surface& s, const MarkStyle& st, RowState& rs) {
    if (rs.Braces.empty()) return;
    SetNotationFont(s, st.Fonts);
    const FontSpec notation = st.NotationFont();
    // Two braces of one tick: the later one stands left of the first.
    double before = 1e9;
    int32_t tick = -1;
    for (const RowState::Brace& b : rs.Braces) {
        const QRectF ink = TextInk(notation, b.Glyph);
        const double clear = b.Tick == tick ? std::min(b.InkLeft, before) : b.InkLeft;
        const double x = std::min(b.X, std::floor(clear - 1 - ink.right()));
        PrintAt(s, x, b.Y, b.Glyph);
        before = vb::Round(x) + ink.left(), tick = b.Tick;
    }
    rs.Braces.clear();
}

}  // namespace typeset
