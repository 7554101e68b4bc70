// The marks at the left end of every system: the column joining two rows, the bracket of three or
// more rows (optionally leaving an independent top row outside it), and the measure numbers.
#include "typeset/marks.h"

#include <algorithm>
#include <cmath>

#include "platform/vbtext.h"

namespace typeset {

namespace {

int roundi(double x) { return int(vb::Round(x)); }

struct Slot {
    int page = 0;
    int slot = 0;
    int system = 0;  // index of the system in the whole score
    double top = 0;  // T, without the top margin
    const SystemPlace* place = nullptr;
    int shift(int row) const { return place ? place->Shift(row) : 0; }
};

// The places of pages first..last that hold systems 0..LastSystem.
std::vector<Slot> slotsOf(const SystemLayout& lay, const MarkStyle& st, int first, int last) {
    std::vector<Slot> out;
    if (!lay.Places.empty()) {
        for (int g = 0; g <= lay.LastSystem && g < int(lay.Places.size()); ++g) {
            const SystemPlace& p = lay.Places[size_t(g)];
            if (p.Page < first || p.Page > last) continue;
            const int slot = out.empty() || out.back().page != p.Page ? 0 : out.back().slot + 1;
            out.push_back({p.Page, slot, g, p.Top - st.TopMargin, &p});
        }
        return out;
    }
    for (int k = std::max(first, 0); k <= std::min(last, lay.LastPage); ++k) {
        const int count = k == 0 ? lay.FirstPageSystems : lay.SystemsPerPage;
        for (int s = 0; s < count; ++s) {
            const int g = k == 0 ? s : lay.FirstPageSystems + (k - 1) * lay.SystemsPerPage + s;
            if (g > lay.LastSystem) break;
            const double top = k == 0 ? (lay.SystemHeight + lay.FirstPageSystemGap) * s + lay.FirstPageTopOffset
                                      : (lay.SystemHeight + lay.SystemGap) * s;
            out.push_back({k, s, g, top});
        }
    }
    return out;
}

// Glyph g at x on y1, y1 + step, ... while y <= y2 (page y = y + top margin); a step below 1 draws nothing.
void column(vb::Surface& s, const MarkStyle& st, const QString& g, double x, int y1, int y2, int step) {
    if (step < 1) return;
    for (int y = y1; y <= y2; y += step) PrintAt(s, x, y + st.TopMargin, g);
}

void decorate(const PageSurfaces& pages, const MarkStyle& st, const SystemLayout& lay, int first, int last) {
    const int w = st.W, h = st.H, d = st.DigitOffset(), p = st.RowPitch();
    const std::vector<Slot> places = slotsOf(lay, st, first, last);
    int shownPage = -1;
    vb::Surface* s = nullptr;
    auto surfaceOf = [&](int page, bool notation) -> vb::Surface* {
        if (page != shownPage) {
            shownPage = page;
            s = pages ? pages(page) : nullptr;
            if (s) {
                if (notation) {
                    SetNotationFont(*s, st.Fonts);
                } else {
                    SetExpressionFont(*s, st.Fonts);
                    s->SetFontSize(s->FontSize() * 0.618);
                }
            }
        }
        return s;
    };
    if (lay.Rows >= 2) {
        const bool independent = lay.Rows > 2 && lay.IndependentTopPart;
        for (const Slot& slot : places) {
            vb::Surface* page = surfaceOf(slot.page, true);
            if (!page) continue;
            const bool scoreStart = slot.page == 0 && slot.slot == 0;
            const double T = slot.top;
            const int lastRow = p * (lay.Rows - 1) + slot.shift(lay.Rows - 1);
            const int firstRow = independent ? p + slot.shift(1) : 0;
            if (lay.Rows == 2) {
                const double x = scoreStart ? lay.FirstBeatX : st.LeftMargin + w * 0.195;
                column(*page, st, QStringLiteral("|"), x, roundi(T + d), roundi(T + lastRow + d), h);
                PrintAt(*page, x, T + lastRow + d + st.TopMargin, QStringLiteral("|"));
            } else {
                const double x = scoreStart ? lay.FirstBeatX - w * 0.5 : st.LeftMargin + w * 0.27;
                column(*page, st, QStringLiteral("u"), x, roundi(T + firstRow + d + h / 2.0),
                       roundi(T + lastRow + d - h / 2.0), roundi(h / 2.0));
                PrintAt(*page, x, T + firstRow + d + st.TopMargin, QStringLiteral("v"));
                PrintAt(*page, x, T + lastRow + d + st.TopMargin, QStringLiteral("w"));
                if (independent) column(*page, st, QStringLiteral("z"), x, roundi(T + d), roundi(T + firstRow + d), h);
            }
        }
    }
    if (lay.MeasureNumbers) {
        shownPage = -1;
        for (const Slot& slot : places) {
            vb::Surface* page = surfaceOf(slot.page, false);
            if (slot.system == 0 || !page) continue;  // the score's first system has no number
            if (slot.system >= int(lay.SystemStartTicks.size())) break;
            const int bar = lay.BarIndex ? lay.BarIndex(lay.SystemStartTicks[slot.system]) : 0;
            const QString number = vb::PrintNumber(bar + 1);
            double x = slot.page == 0 ? st.LeftMargin : st.LeftMargin - w * 0.5;
            // A time signature at the system's start keeps the number clear of its left.
            const double fraction = slot.system < int(lay.StartFractionX.size()) ? lay.StartFractionX[slot.system] : -1;
            if (fraction >= 0) x = std::min(x, fraction - 1 - page->TextWidth(number));
            double y = slot.top + d + st.TopMargin - h * 0.5;
            // A tie carried into the top row keeps the number above it, kArcWhite rows clear.
            const QRectF arc = slot.system < int(lay.StartArcInk.size()) ? lay.StartArcInk[slot.system] : QRectF();
            if (!arc.isNull()) {
                const QRectF carried = arc.translated(0, roundi(slot.top + st.TopMargin) + slot.shift(0));
                const QRectF ink = TextInk({page->FontName(), page->FontSize(), page->FontBold(), page->FontItalic()}, number)
                                       .translated(roundi(x), roundi(y));
                if (ink.adjusted(-kArcWhite, -kArcWhite, kArcWhite, kArcWhite).intersects(carried))
                    y -= std::ceil(ink.bottom() + kArcWhite - carried.top());
            }
            PrintAt(*page, x, y, number);
        }
    }
}

}  // namespace

void DrawLineDecorationsPage(const PageSurfaces& pages, const MarkStyle& st, const SystemLayout& lay) {
    decorate(pages, st, lay, 0, lay.LastPage);
}

void DrawLineDecorationsOnPage(vb::Surface& s, int page, const MarkStyle& st, const SystemLayout& lay) {
    decorate([&](int k) -> vb::Surface* { return k == page ? &s : nullptr; }, st, lay, page, page);
}

void DrawLineDecorationsPrinter(vb::Surface& printer, int page, const MarkStyle& st, const SystemLayout& lay,
                                const std::vector<MeterChange>& changes, const std::vector<BeatBox>& beats,
                                const PageNumberLabel& number) {
    const PageSurfaces only = [&](int k) -> vb::Surface* { return k == page ? &printer : nullptr; };
    SetNotationFont(printer, st.Fonts);
    decorate(only, st, lay, page, page);
    DrawTimeSignatures(only, st, lay.Rows, changes, beats, lay.Places);
    printer.SetFontName(number.Font.Name);
    printer.SetFontSize(number.Font.Size);
    printer.SetFontBold(number.Font.Bold);
    printer.SetFontItalic(number.Font.Italic);
    PrintAt(printer, number.Left, number.Top, number.Caption);
}

}  // namespace typeset
