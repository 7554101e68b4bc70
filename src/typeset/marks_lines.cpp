// Extension lines, slurs and ties, tuplet arcs, duration underlines and the closing mark, all
// assembled from notation glyphs printed side by side.
#include "typeset/marks.h"

#include <algorithm>

#include "platform/vbtext.h"

namespace typeset {

namespace {

int roundi(double x) { return int(vb::Round(x)); }

// Glyph g at x, x + step, ... while x <= last; a step below 1 pixel draws nothing.
void run(vb::Surface& s, const QString& g, int from, int last, int step) {
    if (step < 1) return;
    const double y = s.CurrentY();
    for (int x = from; x <= last; x += step) PrintAt(s, x, y, g);
}

// The fill of an arc: "Z" every fifth of a cell (at least a pixel) from 0.9 cell right of x1.
void arcFill(vb::Surface& s, int w, int x1, int e) {
    if (w < e - x1) run(s, QStringLiteral("Z"), roundi(0.9 * w + x1), roundi(e - w / 8.0), std::max(1, roundi(w / 5.0)));
}

}  // namespace

void DrawExtensionLine(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    if (st.W < 1) return;  // a zero-width cell draws nothing
    const int limit = std::min(x2, st.R());
    PrintAt(s, x1, s.CurrentY(), QStringLiteral("H"));
    run(s, QStringLiteral("I"), x1 + st.W, limit, st.W);
}

void DrawExtensionContinuation(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    run(s, QStringLiteral("I"), x1, std::min(x2, st.R()), st.W);
}

void DrawSlur(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    const int w = st.W;
    if (w < 1) return;
    const double y = s.CurrentY();
    int e = st.R();
    if (x2 < st.R()) {
        PrintAt(s, x2, y, QStringLiteral("Y"));
        e = x2;
    }
    run(s, QStringLiteral("X"), x1 + w, e - w, w);
    PrintAt(s, x1, y, QStringLiteral("W"));
    arcFill(s, w, x1, e);
}

void DrawTupletArc(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    const int w = st.W;
    if (w < 1) return;
    const double y = s.CurrentY();
    run(s, QStringLiteral("X"), x1 + w, x2 - w, w);
    PrintAt(s, x1, y, QStringLiteral("W"));
    PrintAt(s, x2, y, QStringLiteral("Y"));
    arcFill(s, w, x1, x2);
    PrintAt(s, roundi((x1 + x2) / 2.0), y, QStringLiteral("M"));
}

void DrawUnderlines(vb::Surface& s, const MarkStyle& st, int code1, int code2, int x1, int x2, double y) {
    const int lines = 4 - std::max(code1, code2);
    const int step = roundi(st.W / 2.0);
    if (st.W < 1 || step < 1) return;
    for (int i = 1; i <= lines; ++i)
        for (int x = x1 + st.W; x <= x2; x += step) PrintAt(s, x, y + st.H * i / 8.0, QStringLiteral("c"));
}

void DrawEndMark(vb::Surface& lastPage, const MarkStyle& st, int rows, int scoreEndX, int scoreEndY,
                 const SystemPlace& place) {
    SetNotationFont(lastPage, st.Fonts);
    const int o = st.DigitOffset();
    for (int r = 0; r < rows; ++r)
        PrintAt(lastPage, scoreEndX, scoreEndY + r * st.RowPitch() + place.Shift(r) + o, QStringLiteral("x"));
}

// The page and printer names: one routine each, the printer surface scales the coordinates.
void DrawExtensionLinePage(vb::Surface& p, const MarkStyle& st, int x1, int x2) { DrawExtensionLine(p, st, x1, x2); }
void DrawExtensionLinePrinter(vb::Surface& p, const MarkStyle& st, int x1, int x2) { DrawExtensionLine(p, st, x1, x2); }
void DrawExtensionContinuationPage(vb::Surface& p, const MarkStyle& st, int x1, int x2) {
    DrawExtensionContinuation(p, st, x1, x2);
}
void DrawExtensionContinuationPrinter(vb::Surface& p, const MarkStyle& st, int x1, int x2) {
    DrawExtensionContinuation(p, st, x1, x2);
}
void DrawSlurPage(vb::Surface& p, const MarkStyle& st, int x1, int x2) { DrawSlur(p, st, x1, x2); }
void DrawSlurPrinter(vb::Surface& p, const MarkStyle& st, int x1, int x2) { DrawSlur(p, st, x1, x2); }
void DrawTupletArcPage(vb::Surface& p, const MarkStyle& st, int x1, int x2) { DrawTupletArc(p, st, x1, x2); }
void DrawTupletArcPrinter(vb::Surface& p, const MarkStyle& st, int x1, int x2) { DrawTupletArc(p, st, x1, x2); }
void DrawUnderlinesPage(vb::Surface& p, const MarkStyle& st, int c1, int c2, int x1, int x2, double y) {
    DrawUnderlines(p, st, c1, c2, x1, x2, y);
}
void DrawUnderlinesPrinter(vb::Surface& p, const MarkStyle& st, int c1, int c2, int x1, int x2, double y) {
    DrawUnderlines(p, st, c1, c2, x1, x2, y);
}
void DrawEndMarkPage(vb::Surface& p, const MarkStyle& st, int rows, int x, int y, const SystemPlace& at) {
    DrawEndMark(p, st, rows, x, y, at);
}
void DrawEndMarkPrinter(vb::Surface& p, const MarkStyle& st, int rows, int x, int y, const SystemPlace& at) {
    DrawEndMark(p, st, rows, x, y, at);
}

}  // namespace typeset
