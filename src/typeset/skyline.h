// The outline of a stretch of ink seen from above and from below: for every column of the page
// (kColumn pixels wide), the highest and the lowest pixel row that holds ink. Two outlines tell how
// far apart two lines of glyphs must stand so that no glyph of the one touches a glyph of the other.
#pragma once

#include <QRectF>
#include <limits>
#include <vector>

namespace typeset {

class Skyline {
public:
    static constexpr int kColumn = 2;
    // Pixels 0..width − 1; ink left or right of them counts in the first or last column.
    explicit Skyline(int width = 0) { Reset(width); }
    void Reset(int width);

    // Ink covering the pixel rows top..bottom − 1 of the columns left..right − 1 (page pixels).
    void AddRect(const QRectF& ink);
    // A line one pixel wide from (x1, y1) to (x2, y2).
    void AddLine(double x1, double y1, double x2, double y2);

    bool Empty() const { return empty_; }
    int Columns() const { return int(top_.size()); }
    // The first row with ink in column c, and the row after the last one; +/− infinity without ink.
    float Top(int c) const { return top_[size_t(c)]; }
    float Bottom(int c) const { return bottom_[size_t(c)]; }
    // The highest ink row and the row after the lowest, over all columns.
    float Highest() const { return highest_; }
    float Lowest() const { return lowest_; }

    // Adds another outline standing dy lower.
    void Merge(const Skyline& other, double dy);

    static constexpr float kNone = std::numeric_limits<float>::infinity();

private:
    std::vector<float> top_, bottom_;
    float highest_ = kNone, lowest_ = -kNone;
    bool empty_ = true;
};

// How much lower `lower` must stand than `upper` (both as measured) so that `white` clear pixel
// rows stay between the ink of the two in every column, and in the columns up to `spread` pixels to
// either side (glyphs side by side at one height read as one line): the largest of upper's bottom
// minus lower's top, plus white; minus infinity when no column holds ink of both.
double Clearance(const Skyline& upper, const Skyline& lower, int white, int spread = 0);

}  // namespace typeset
