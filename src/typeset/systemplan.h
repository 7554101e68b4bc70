// Where the systems stand on the pages. Each system is laid out at its plain place (the page's
// slots spread evenly between the title block or the top margin and the bottom margin) and its
// ink measured; a page keeps those places wherever every glyph clears the glyphs around it. Where
// it does not, a row moves down from the row above it as far as its glyphs need, a system takes
// its room out of the gaps of its page (on a page's first system from the top margin, under the
// title block on the first page), and a page whose gaps cannot give it takes fewer systems.
#pragma once

#include <QRectF>
#include <optional>
#include <vector>

#include "typeset/geometry.h"
#include "typeset/systemrecorder.h"

namespace typeset {

// The least white, in pixel rows, between glyphs of different rows or systems.
constexpr int kWhiteRows = 2;

// How much further down than the plain row pitch each row of a system must stand (0 for the first
// row, never less than the row above): as far as its glyphs need to clear those of every row above,
// also where they would stand beside them within `spread` pixels.
std::vector<int> RowShifts(const SystemInk& ink, int spread, int white = kWhiteRows);

// The frame the systems are placed in.
struct PlanFrame {
    PageGeometry Geometry;
    int Width = 0;                     // columns of ink kept (the paper's width)
    int Spread = 0;                    // glyphs closer side by side than this count as over each other
    int InkTop = 0;                    // the highest row a page's first system may ink (in the top margin)
    std::vector<QRectF> TitleInk;      // the title block's glyphs on the first page: the first
                                       // system stands below the lowest of them
    std::vector<int> PageOfSystem;     // a page for every system, kept; empty: the planner fills pages
};

// Places the systems of the score page by page as they are laid out.
class PagePlanner {
public:
    explicit PagePlanner(PlanFrame frame);

    // The plain place of the next system: the top it is laid out at.
    double NextTop() const;
    int NextPage() const { return page_; }
    // A system laid out at NextTop(), with its ink; `last` when no system follows.
    void Add(int system, const SystemInk& ink, bool last);

    // A page whose systems are placed: its index and, in order, each system with its place and
    // the top it was laid out at.
    struct Placed {
        int System = 0;
        SystemPlace Place;
        double LaidOutTop = 0;
    };
    struct Page {
        int Index = 0;
        std::vector<Placed> Systems;
    };
    // The next page whose systems are all placed, if any.
    std::optional<Page> TakePage();

private:
    struct Pending {
        int System = 0;
        double LaidOutTop = 0;
        std::vector<int> Shift;
        Skyline Whole;      // the system's ink with its rows shifted, relative to its top
        double Height = 0;  // the system's height with its rows shifted
        double Clear = 0;   // how far below the system before it its ink lets it stand
    };
    int capacity(int page) const;
    double plainTop(int page, int slot) const;
    // The tops of the first n pending systems on page `page_`; none when they do not fit and
    // `force` is off.
    std::optional<std::vector<double>> place(size_t n, bool force) const;
    void close(size_t n, bool force);

    PlanFrame frame_;
    Skyline ceiling_, firstCeiling_;
    int page_ = 0;
    std::vector<Pending> pending_;
    std::vector<Page> done_;
};

}  // namespace typeset
