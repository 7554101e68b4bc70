// Extension lines, slurs and ties, tuplet arcs, duration underlines and the closing mark, all
// assembled from notation glyphs printed side by side.
#include "typeset/marks.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/vbtext.h"

namespace typeset {

namespace {

int roundi(double x) { return int(vb::Round(x)); }

// Glyph g at x, x + step, ... while x <= last, handed to put(x, g); a step below 1 pixel puts nothing.
template <class Put>
void run(const Put& put, const QString& g, int from, int last, int step) {
    if (step < 1) return;
    for (int x = from; x <= last; x += step) put(x, g);
}

// Glyph g at x, x + step, ... while x <= last, at the surface's CurrentY.
void printRun(vb::Surface& s, const QString& g, int from, int last, int step) {
    const double y = s.CurrentY();
    run([&](int x, const QString& text) { PrintAt(s, x, y, text); }, g, from, last, step);
}

// The fill of an arc: "Z" every fifth of a cell (at least a pixel) from 0.9 cell right of x1.
template <class Put>
void arcFill(const Put& put, int w, int x1, int e) {
    if (w < e - x1) run(put, QStringLiteral("Z"), roundi(0.9 * w + x1), roundi(e - w / 8.0), std::max(1, roundi(w / 5.0)));
}

// The glyphs of a tie or slur from x1 to x2, in the order they print, each handed to put(x, glyph).
template <class Put>
void slurGlyphs(const MarkStyle& st, int x1, int x2, const Put& put) {
    const int w = st.W;
    if (w < 1) return;
    int e = st.R();
    if (x2 < st.R()) {
        put(x2, QStringLiteral("Y"));
        e = x2;
    }
    run(put, QStringLiteral("X"), x1 + w, e - w, w);
    put(x1, QStringLiteral("W"));
    arcFill(put, w, x1, e);
}

// The glyphs of a tuplet arc from x1 to x2 with its figure, in the order they print.
template <class Put>
void tupletGlyphs(const MarkStyle& st, int x1, int x2, const Put& put) {
    const int w = st.W;
    if (w < 1) return;
    run(put, QStringLiteral("X"), x1 + w, x2 - w, w);
    put(x1, QStringLiteral("W"));
    put(x2, QStringLiteral("Y"));
    arcFill(put, w, x1, x2);
    put(roundi((x1 + x2) / 2.0), QStringLiteral("M"));
}

// The ink of the glyphs put at y: one box for each kind of glyph, from its first to its last place
// (an arc puts each kind in one run).
struct InkOfGlyphs {
    FontSpec Font;
    double Y = 0;
    struct Kind {
        QChar Glyph;
        QRectF Ink;
        int First = 0, Last = 0;
    };
    std::vector<Kind> Kinds;
    void operator()(int x, const QString& g) {
        for (Kind& k : Kinds)
            if (k.Glyph == g[0]) {
                k.First = std::min(k.First, x), k.Last = std::max(k.Last, x);
                return;
            }
        Kinds.push_back({g[0], TextInk(Font, g), x, x});
    }
    std::vector<QRectF> boxes() const {
        std::vector<QRectF> out;
        for (const Kind& k : Kinds)
            if (!k.Ink.isNull()) out.push_back(k.Ink.translated(k.First, vb::Round(Y)) | k.Ink.translated(k.Last, vb::Round(Y)));
        return out;
    }
};

}  // namespace

void DrawExtensionLine(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    if (st.W < 1) return;  // a zero-width cell draws nothing
    const int limit = std::min(x2, st.R());
    PrintAt(s, x1, s.CurrentY(), QStringLiteral("H"));
    printRun(s, QStringLiteral("I"), x1 + st.W, limit, st.W);
}

void DrawExtensionContinuation(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    printRun(s, QStringLiteral("I"), x1, std::min(x2, st.R()), st.W);
}

void DrawSlur(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    const double y = s.CurrentY();
    slurGlyphs(st, x1, x2, [&](int x, const QString& g) { PrintAt(s, x, y, g); });
}

void DrawTupletArc(vb::Surface& s, const MarkStyle& st, int x1, int x2) {
    SetNotationFont(s, st.Fonts);
    const double y = s.CurrentY();
    tupletGlyphs(st, x1, x2, [&](int x, const QString& g) { PrintAt(s, x, y, g); });
}

std::vector<QRectF> SlurInk(const MarkStyle& st, int x1, int x2, double y) {
    InkOfGlyphs ink{st.NotationFont(), y, {}};
    slurGlyphs(st, x1, x2, std::ref(ink));
    return ink.boxes();
}

std::vector<QRectF> TupletArcInk(const MarkStyle& st, int x1, int x2, double y) {
    InkOfGlyphs ink{st.NotationFont(), y, {}};
    tupletGlyphs(st, x1, x2, std::ref(ink));
    return ink.boxes();
}

double TupletArcY(const MarkStyle& st, int x1, int x2, double y, const std::vector<QRectF>& arcs) {
    if (arcs.empty()) return y;
    const std::vector<QRectF> own = TupletArcInk(st, x1, x2, y);
    double rise = 0;  // whole pixel rows: the glyphs print on whole pixels
    for (int tries = 0; tries < 32; ++tries) {
        double need = 0;
        for (const QRectF& ink : own) {
            const QRectF clear = ink.translated(0, -rise).adjusted(-kArcWhite, -kArcWhite, kArcWhite, kArcWhite);
            for (const QRectF& other : arcs)
                if (clear.intersects(other)) need = std::max(need, clear.bottom() - other.top());
        }
        if (need <= 0) break;
        rise += std::ceil(need);
    }
    return rise > 0 ? vb::Round(y) - rise : y;
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
