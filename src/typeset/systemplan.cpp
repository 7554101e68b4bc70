#include "typeset/systemplan.h"

#include <algorithm>
#include <cmath>

#include "platform/vbtext.h"

namespace typeset {

namespace {
double whole(double y) { return vb::Round(y); }
}  // namespace

std::vector<int> RowShifts(const SystemInk& ink, int spread, int white) {
    std::vector<int> shift(ink.Rows.size(), 0);
    for (size_t b = 1; b < ink.Rows.size(); ++b) {
        double need = shift[b - 1];
        for (size_t a = 0; a < b; ++a) {
            const Skyline& upper = ink.Rows[a];
            const Skyline& lower = ink.Rows[b];
            // Rows whose ink cannot meet at all need no look at their columns.
            if (upper.Empty() || lower.Empty() || shift[a] + upper.Lowest() - lower.Highest() + white <= need) continue;
            const double c = Clearance(upper, lower, white, spread);
            if (std::isfinite(c)) need = std::max(need, shift[a] + std::ceil(c));
        }
        shift[b] = int(need);
    }
    return shift;
}

PagePlanner::PagePlanner(PlanFrame frame) : frame_(std::move(frame)) {
    frame_.Width = std::max(frame_.Width, 1);
    ceiling_.Reset(frame_.Width);
    // Nothing of a page's first system reaches above this row.
    ceiling_.AddRect(QRectF(-1, frame_.InkTop - kWhiteRows - 1, frame_.Width + 2, 1));
    firstCeiling_ = ceiling_;
    double titleBottom = -Skyline::kNone;
    for (const QRectF& ink : frame_.TitleInk) titleBottom = std::max(titleBottom, ink.bottom());
    if (std::isfinite(titleBottom)) firstCeiling_.AddRect(QRectF(-1, titleBottom - 1, frame_.Width + 2, 1));
    // A page list that does not start on the first page, or skips a page, is no plan.
    const std::vector<int>& given = frame_.PageOfSystem;
    for (size_t k = 0; k < given.size(); ++k)
        if (given[k] != (k == 0 ? 0 : given[k - 1]) && given[k] != (k == 0 ? 0 : given[k - 1] + 1)) {
            frame_.PageOfSystem.clear();
            break;
        }
}

int PagePlanner::capacity(int page) const {
    const PageGeometry& g = frame_.Geometry;
    return std::max(1, page == 0 ? g.FirstPageSystems : g.SystemsPerPage);
}

double PagePlanner::plainTop(int page, int slot) const {
    const PageGeometry& g = frame_.Geometry;
    return page == 0 ? slot * (g.SystemHeight + g.FirstPageSystemGap) + g.FirstPageTopOffset + g.TopMargin
                     : slot * (g.SystemHeight + g.SystemGap) + g.TopMargin;
}

double PagePlanner::NextTop() const { return plainTop(page_, int(pending_.size())); }

void PagePlanner::Add(int system, const SystemInk& ink, bool last) {
    Pending p;
    p.System = system;
    p.LaidOutTop = whole(NextTop());
    p.Shift = RowShifts(ink, frame_.Spread);
    p.Whole.Reset(frame_.Width);
    for (size_t w = 0; w < ink.Rows.size(); ++w) p.Whole.Merge(ink.Rows[w], p.Shift[w]);
    p.Height = frame_.Geometry.SystemHeight + (p.Shift.empty() ? 0 : p.Shift.back());
    if (!pending_.empty()) p.Clear = Clearance(pending_.back().Whole, p.Whole, kWhiteRows, frame_.Spread);
    pending_.push_back(std::move(p));

    const std::vector<int>& given = frame_.PageOfSystem;
    const size_t k = size_t(system);
    if (k < given.size()) {
        // The pages as planned before: the page closes where the next system's page begins.
        if (last || k + 1 >= given.size() || given[k + 1] != given[k]) close(pending_.size(), true);
        return;
    }
    if (!last && int(pending_.size()) < capacity(page_)) return;
    do {
        size_t n = pending_.size();
        if (!frame_.Geometry.OnePage)
            while (n > 1 && !place(n, false)) --n;
        close(n, true);
    } while (last && !pending_.empty());
}

std::optional<std::vector<double>> PagePlanner::place(size_t n, bool force) const {
    const PageGeometry& g = frame_.Geometry;
    const Skyline& ceiling = page_ == 0 ? firstCeiling_ : ceiling_;
    // The lowest row a system or its ink may reach: the printable area's bottom, or the plain
    // bottom of a full page where that lies lower.
    const double bottom = std::max(double(g.TopMargin + g.PrintableHeight),
                                   whole(plainTop(page_, capacity(page_) - 1)) + g.SystemHeight);
    const auto reach = [&](const Pending& p) { return std::max(p.Height, double(p.Whole.Lowest())); };
    const auto below = [&](size_t i) { return std::max(pending_[i - 1].Height, pending_[i].Clear); };

    std::vector<double> tops(n);
    for (size_t i = 0; i < n; ++i) tops[i] = plainTop(page_, int(i));
    bool plain = Clearance(ceiling, pending_[0].Whole, kWhiteRows) <= whole(tops[0]) &&
                 whole(tops[n - 1]) + reach(pending_[n - 1]) <= bottom;
    for (size_t i = 1; i < n && plain; ++i) {
        const double d = whole(tops[i]) - whole(tops[i - 1]);
        plain = d + 1 >= pending_[i - 1].Height && d >= pending_[i].Clear;  // the plain tops round apart
    }
    if (plain) return tops;

    // The room comes out of the gaps: every gap as wide as the plain one, or as narrow as needed
    // to hold what the systems ask, evenly.
    const double first = std::max(whole(tops[0]), std::ceil(Clearance(ceiling, pending_[0].Whole, kWhiteRows)));
    const double plainGap = std::max(0.0, plainTop(page_, 1) - plainTop(page_, 0) - g.SystemHeight);
    const auto lay = [&](double gap) {
        std::vector<double> at(n);
        at[0] = first;
        for (size_t i = 1; i < n; ++i)
            at[i] = at[i - 1] + std::max(std::ceil(below(i)), std::ceil(pending_[i - 1].Height + gap));
        return at;
    };
    const auto fits = [&](const std::vector<double>& at) { return at[n - 1] + reach(pending_[n - 1]) <= bottom; };
    if (!fits(lay(0)) && !force) return std::nullopt;
    double lo = 0, hi = plainGap;
    if (fits(lay(hi))) {
        lo = hi;
    } else {
        for (int k = 0; k < 30; ++k) {
            const double mid = (lo + hi) / 2;
            (fits(lay(mid)) ? lo : hi) = mid;
        }
    }
    return lay(lo);
}

void PagePlanner::close(size_t n, bool force) {
    n = std::clamp<size_t>(n, 1, pending_.size());
    const std::vector<double> tops = *place(n, force);
    Page page;
    page.Index = page_;
    for (size_t i = 0; i < n; ++i) {
        const Pending& p = pending_[i];
        SystemPlace at;
        at.Page = page_;
        at.Top = tops[i];
        if (std::any_of(p.Shift.begin(), p.Shift.end(), [](int s) { return s != 0; })) at.RowShift = p.Shift;
        page.Systems.push_back({p.System, std::move(at), p.LaidOutTop});
    }
    done_.push_back(std::move(page));
    pending_.erase(pending_.begin(), pending_.begin() + ptrdiff_t(n));
    ++page_;
}

std::optional<PagePlanner::Page> PagePlanner::TakePage() {
    if (done_.empty()) return std::nullopt;
    Page p = std::move(done_.front());
    done_.erase(done_.begin());
    return p;
}

}  // namespace typeset
