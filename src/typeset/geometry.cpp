#include "typeset/geometry.h"

#include <algorithm>
#include <cmath>

#include "document/texthelpers.h"
#include "document/timeline.h"
#include "platform/vbtext.h"

namespace typeset {

namespace {

int32_t Px(double cm) { return int32_t(vb::Round(cm * kPixelsPerCm)); }

// The start of the bar that holds `tick`.
int32_t BarStart(const doc::Song& song, int32_t tick) {
    int16_t offset = 0;
    doc::GetBarPosition(song, tick, offset);
    return tick - offset;
}

}  // namespace

int32_t TicksPerLine(int32_t printableWidth, int32_t digitWidth, int32_t density) {
    if (digitWidth < 1) digitWidth = 1;
    return int32_t(vb::Round(double(printableWidth) * 12.0 / digitWidth * density / 100.0));
}

LineTable ComputeLineBreaks(const doc::Song& song, int32_t printableWidth, int32_t digitWidth, int32_t density,
                           const LineFitCheck& fits, const PageGeometry* g) {
    LineTable table;
    const int32_t perLine = std::max<int32_t>(1, TicksPerLine(printableWidth, digitWidth, density));
    int32_t t = 0;
    int32_t k = 0;
    while (t < song.SongLength) {
        int32_t next = BarStart(song, t + perLine);
        // A bar longer than a line: the system holds that one bar and ends at the next bar line.
        if (next <= t) {
            int32_t e = t + perLine;
            while (e < song.SongLength && BarStart(song, e) <= t) ++e;
            next = e < song.SongLength ? BarStart(song, e) : song.SongLength;
        }
        // A system ends at the latest bar line where its glyphs keep apart at no less than their
        // natural spacing; else at the latest where they keep apart at all; else at its first end.
        if (fits && g) {
            int32_t spaced = -1, squeezed = -1;
            for (int32_t end = next; end > t && spaced < 0; end = BarStart(song, std::min(end, song.SongLength) - 1)) {
                const LineFit fit = fits(t, std::min(end, song.SongLength), k, end >= song.SongLength, *g);
                if (fit >= LineFit::Spaced)
                    spaced = end;
                else if (fit == LineFit::Squeezed && squeezed < 0)
                    squeezed = end;
            }
            if (spaced > t)
                next = spaced;
            else if (squeezed > t)
                next = squeezed;
        }
        t = next;
        if (t >= song.SongLength) {
            table.LastSystem = k;
            t = song.SongLength;
        }
        if (int(table.Starts.size()) <= k + 1) table.Starts.resize(k + 2, 0);
        table.Starts[k + 1] = t;
        ++k;
    }
    if (song.SongLength <= 0) table.Starts = {0, 0};
    table.Starts.resize(table.LastSystem + 2);
    return table;
}

int32_t PageCount(int32_t lastSystem, int32_t firstPageSystems, int32_t systemsPerPage) {
    if (lastSystem < firstPageSystems || systemsPerPage < 1) return 0;
    return 1 + (lastSystem - firstPageSystems) / systemsPerPage;
}

QString SetupStopMessage(SetupStop stop) {
    switch (stop) {
    case SetupStop::OutOfRange: return QStringLiteral("长度数值超出范围");
    case SetupStop::PageTooSmall: return QStringLiteral("所设置页面太小");
    case SetupStop::FontTooBig: return QStringLiteral("所设置字体不适合当前页面太小");
    case SetupStop::NoSystemFits: return QStringLiteral("行分配不足");
    default: return QString();
    }
}

PageSetupResult ComputePageSetup(const PageSetupInput& in, const doc::Song& song, const LineFitCheck& fits,
                                 const SystemPlanner& plan) {
    PageSetupResult r;
    std::array<double, 6> v{};
    for (int i = 0; i < 6; ++i) {
        v[i] = vb::Val(in.Sizes[i]);
        const double whole = vb::Round(v[i]);
        if (whole < 0 || whole > 255) {
            r.Stop = SetupStop::OutOfRange;
            return r;
        }
    }
    // Landscape turns the paper; each margin stays on the side its box names.
    const double paperW = in.Landscape ? v[1] : v[0];
    const double paperH = in.Landscape ? v[0] : v[1];
    PageGeometry g;
    g.LeftMargin = Px(v[4]);
    g.TopMargin = Px(v[2]);
    g.RightMargin = Px(v[5]);
    g.BottomMargin = Px(v[3]);
    g.PrintableWidth = Px(paperW - v[4] - v[5]);
    g.PrintableHeight = Px(paperH - v[2] - v[3]);
    if (g.PrintableWidth < 200 || g.PrintableHeight < 200) {
        r.Stop = SetupStop::PageTooSmall;
        return r;
    }
    g.PaperWidth = Px(paperW);
    g.PaperHeight = Px(paperH);
    for (int h : in.SampleHeights) {
        if (h * 10 > g.PrintableHeight || h * 10 > g.PrintableWidth) {
            r.Stop = SetupStop::FontTooBig;
            return r;
        }
    }
    g.RowsPerSystem = in.ShownParts;
    if (g.RowsPerSystem <= 0) {
        r.Stop = SetupStop::NoPartShown;
        return r;
    }
    const auto& H = in.SampleHeights;
    const auto& S = in.Scales;
    g.PartRowHeight = int32_t(vb::Round(double(in.Verses) * H[1] * S[1] / 100.0 + double(S[0]) * H[2] / 100.0));
    g.PartRowGap = int32_t(vb::Round(double(g.PartRowHeight) * S[2] / 100.0));
    g.SystemHeight = double(float(g.PartRowHeight + g.PartRowGap) * float(g.RowsPerSystem));
    g.FirstPageTopOffset = double(float(H[0] * 1.2 + H[5] + 3.0 * H[6]));
    g.SystemPitch = int32_t(vb::Round(g.SystemHeight + double(g.PartRowHeight) * S[3] / 100.0));
    if (g.SystemPitch < 1) g.SystemPitch = 1;

    r.Lines = ComputeLineBreaks(song, g.PrintableWidth, in.DigitWidth, S[4], fits, &g);
    if (in.Continuous) {
        // One page for the whole score, sized to this run's systems and title room.
        g.PrintableHeight = g.SystemPitch * (r.Lines.LastSystem + 1) + int32_t(std::ceil(g.FirstPageTopOffset));
        g.PaperHeight = g.PrintableHeight + 80;
    }
    g.FirstPageSystems = int32_t(vb::Round(g.PrintableHeight - g.FirstPageTopOffset)) / g.SystemPitch;
    g.SystemsPerPage = g.PrintableHeight / g.SystemPitch;
    if (g.FirstPageSystems <= 0 || g.SystemsPerPage <= 0) {
        r.Stop = SetupStop::NoSystemFits;
        r.Lines = LineTable{};
        return r;
    }
    g.SystemGap = g.SystemsPerPage == 1 ? 0.0
        : double(float((g.PrintableHeight - g.SystemsPerPage * g.SystemHeight) / (g.SystemsPerPage - 1)));
    g.FirstPageSystemGap = g.FirstPageSystems == 1 ? 0.0
        : double(float((g.PrintableHeight - g.FirstPageTopOffset - g.FirstPageSystems * g.SystemHeight) /
                       (g.FirstPageSystems - 1)));
    g.LastPage = PageCount(r.Lines.LastSystem, g.FirstPageSystems, g.SystemsPerPage);
    g.OnePage = in.Continuous;
    if (plan) r.Places = plan(r.Lines, g);
    if (!r.Places.empty()) {
        g.LastPage = r.Places.back().Page;
        if (g.OnePage) {
            // The one page grows to hold the systems where they had to move apart.
            const SystemPlace& last = r.Places.back();
            const double bottom = vb::Round(last.Top) + g.SystemHeight + last.Shift(g.RowsPerSystem - 1);
            g.PrintableHeight = std::max(g.PrintableHeight, int32_t(std::ceil(bottom)) - g.TopMargin);
            g.PaperHeight = g.PrintableHeight + 80;
        }
    }
    if (g.LastPage > kMaxPages - 1) {
        g.LastPage = kMaxPages - 1;
        r.TooManyPages = true;
    }
    r.Geometry = g;
    return r;
}

PagePoint PageNumberAnchor(int positionIndex, const PageGeometry& g, const QString& bottomMarginText,
                           PagePoint current) {
    const int32_t top = int32_t(vb::Round(g.TopMargin / 2.0));
    const int32_t bottom = int32_t(vb::Round(g.PaperHeight - vb::Val(bottomMarginText) * kPixelsPerCm / 2.0));
    const int32_t left = g.LeftMargin;
    const int32_t middle = int32_t(vb::Round(g.PaperWidth / 2.0));
    const int32_t right = g.LeftMargin + g.PrintableWidth;
    switch (positionIndex) {
    case 1: return {left, top};
    case 2: return {middle, top};
    case 3: return {right, top};
    case 4: return {left, bottom};
    case 5: return {middle, bottom};
    case 6: return {right, bottom};
    default: return current;
    }
}

QString PageNumberCaption(const QString& pattern, const QString& firstNumberText, int page, int lastPage) {
    const double first = vb::Val(firstNumberText);
    const double n = first + page;
    const double last = std::fabs(vb::Round(first + lastPage));
    int digits = 1;
    for (double limit = 10; digits < 7 && last >= limit; limit *= 10) ++digits;
    QString text = pattern;
    doc::ReplaceAll(text, QStringLiteral("&p"), vb::CStr(n));
    doc::ReplaceAll(text, QStringLiteral("&P"), vb::Format(n, QString(digits, QChar('0'))));
    return text;
}

PagePoint PageNumberCentre(PagePoint anchor, const QString& firstNumberText, int page, bool mirrored,
                           int32_t paperWidth) {
    const int64_t m = int64_t(vb::Round(vb::Val(firstNumberText) + page));
    if (mirrored && m % 2 == 0) return {paperWidth - anchor.X, anchor.Y};
    return anchor;
}

}  // namespace typeset
