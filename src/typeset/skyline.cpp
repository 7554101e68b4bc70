#include "typeset/skyline.h"

#include <algorithm>
#include <cmath>

namespace typeset {

void Skyline::Reset(int width) {
    const size_t columns = size_t(std::max((width + kColumn - 1) / kColumn, 1));
    top_.assign(columns, kNone);
    bottom_.assign(columns, -kNone);
    highest_ = kNone, lowest_ = -kNone;
    empty_ = true;
}

void Skyline::AddRect(const QRectF& ink) {
    if (ink.isNull() || ink.width() <= 0 || ink.height() <= 0) return;
    const int last = Columns() - 1;
    const int from = std::clamp(int(std::floor(ink.left())) / kColumn, 0, last);
    const int to = std::clamp((int(std::ceil(ink.right())) - 1) / kColumn, 0, last);
    const float top = float(std::floor(ink.top())), bottom = float(std::ceil(ink.bottom()));
    for (int c = from; c <= to; ++c) {
        top_[size_t(c)] = std::min(top_[size_t(c)], top);
        bottom_[size_t(c)] = std::max(bottom_[size_t(c)], bottom);
    }
    highest_ = std::min(highest_, top), lowest_ = std::max(lowest_, bottom);
    empty_ = false;
}

void Skyline::AddLine(double x1, double y1, double x2, double y2) {
    if (x2 < x1) std::swap(x1, x2), std::swap(y1, y2);
    const int a = int(std::floor(x1)), b = std::max(a, int(std::ceil(x2)) - 1);
    // The rows the line passes through within each pixel column.
    const auto yAt = [&](double x) { return x2 > x1 ? y1 + (y2 - y1) * std::clamp((x - x1) / (x2 - x1), 0.0, 1.0) : y1; };
    for (int x = a; x <= b; ++x) {
        const double u = yAt(x), v = yAt(x + 1);
        AddRect(QRectF(x, std::min(u, v), 1, std::max(std::fabs(v - u), 1.0)));
    }
}

void Skyline::Merge(const Skyline& other, double dy) {
    if (other.empty_) return;
    const size_t n = std::min(top_.size(), other.top_.size());
    for (size_t c = 0; c < n; ++c) {
        if (other.top_[c] == kNone) continue;
        top_[c] = std::min(top_[c], float(other.top_[c] + dy));
        bottom_[c] = std::max(bottom_[c], float(other.bottom_[c] + dy));
    }
    highest_ = std::min(highest_, float(other.highest_ + dy)), lowest_ = std::max(lowest_, float(other.lowest_ + dy));
    empty_ = false;
}

double Clearance(const Skyline& upper, const Skyline& lower, int white, int spread) {
    if (upper.Empty() || lower.Empty()) return -Skyline::kNone;
    const int n = std::min(upper.Columns(), lower.Columns());
    const int r = (std::max(spread, 0) + Skyline::kColumn - 1) / Skyline::kColumn;
    // The lowest ink of the upper outline within r columns of each column: the running lowest of
    // blocks of 2r + 1 columns from their start (ahead) and from their end (behind).
    thread_local std::vector<float> ahead, behind;
    const int k = 2 * r + 1;
    ahead.resize(size_t(n)), behind.resize(size_t(n));
    for (int c = 0; c < n; ++c) ahead[size_t(c)] = c % k == 0 ? upper.Bottom(c) : std::max(ahead[size_t(c) - 1], upper.Bottom(c));
    for (int c = n - 1; c >= 0; --c)
        behind[size_t(c)] = c % k == k - 1 || c == n - 1 ? upper.Bottom(c) : std::max(behind[size_t(c) + 1], upper.Bottom(c));
    float most = -Skyline::kNone;
    for (int c = 0; c < n; ++c) {
        if (lower.Top(c) == Skyline::kNone) continue;
        const float low = std::max(behind[size_t(std::max(c - r, 0))], ahead[size_t(std::min(c + r, n - 1))]);
        most = std::max(most, low - lower.Top(c));
    }
    return double(most) + white;
}

}  // namespace typeset
