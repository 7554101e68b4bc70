#include "typeset/marks.h"

#include <algorithm>
#include <cmath>

#include "platform/vbtext.h"

namespace typeset {

int MarkStyle::DigitOffset() const { return int(vb::Round(HExact / 200.0 * (RowPercent - 100))); }

void PrintAt(vb::Surface& s, double x, double y, const QString& text) {
    s.SetCurrentX(x);
    s.SetCurrentY(y);
    if (!text.isEmpty()) s.Print(text, true);
}

double PlaceMarkBox(RunState& run, double x, double y, double w, double h, const QRectF& ink,
                    const std::vector<QRectF>& arcs) {
    QRectF box(x, y, w, h);
    for (int tries = 0, stacked = 0; tries < 48; ++tries) {
        const bool clear = std::none_of(run.MarkBoxes.begin(), run.MarkBoxes.end(),
                                        [&](const QRectF& b) { return b.intersects(box); });
        if (!clear) {
            if (stacked++ == 16) break;
            box.translate(0, -h);
            continue;
        }
        if (ink.isNull()) break;
        const QRectF near = ink.translated(vb::Round(x), vb::Round(box.y())).adjusted(-kArcWhite, -kArcWhite, kArcWhite, kArcWhite);
        double need = 0;
        for (const QRectF& arc : arcs)
            if (near.intersects(arc)) need = std::max(need, near.bottom() - arc.top());
        if (need <= 0) break;
        box.moveTop(vb::Round(box.y()) - std::ceil(need));  // the text prints on whole pixel rows
    }
    run.MarkBoxes.push_back(box);
    return box.y();
}

void PrintMarkAt(vb::Surface& s, RunState& run, double x, double y, const QString& text, const std::vector<QRectF>& arcs) {
    if (text.isEmpty()) return;
    const QRectF ink = arcs.empty() ? QRectF() : TextInk({s.FontName(), s.FontSize(), s.FontBold(), s.FontItalic()}, text);
    PrintAt(s, x, PlaceMarkBox(run, x, y, s.TextWidth(text), s.TextHeight(text), ink, arcs), text);
}

int CellAtOrBefore(const LineCells& cells, int32_t tick) {
    const auto end = cells.Ticks.begin() + ptrdiff_t(std::min(cells.Ticks.size(), cells.X.size()));
    return int(std::upper_bound(cells.Ticks.begin(), end, tick) - cells.Ticks.begin()) - 1;
}

int CellAt(const LineCells& cells, int32_t tick) {
    const auto end = cells.Ticks.begin() + ptrdiff_t(std::min(cells.Ticks.size(), cells.X.size()));
    const auto it = std::lower_bound(cells.Ticks.begin(), end, tick);
    return it != end && *it == tick ? int(it - cells.Ticks.begin()) : -1;
}

}  // namespace typeset
