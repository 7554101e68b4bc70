// Page setup: the typesetting panel's values turned into the page geometry (paper and printable
// sizes, part rows, systems and their gaps, pages), the score's line breaks, and the page numbers.
// All sizes are page pixels, 37.9 to the centimetre.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "document/song.h"

namespace typeset {

constexpr double kPixelsPerCm = 37.9;
// The page window holds this many pages.
constexpr int kMaxPages = 25;

// Where each score line (system) starts: Starts[k] is the first tick of system k, Starts[0] = 0
// and Starts[LastSystem + 1] = the song length.
struct LineTable {
    std::vector<int32_t> Starts{0, 0};
    int32_t LastSystem = 0;
    bool operator==(const LineTable&) const = default;
};

struct PageGeometry;
// How a system's glyphs fare on the page: apart at the places their durations give them (Clear);
// apart where some move right off those places, the others keeping at least their natural
// spacing (Spaced) or closer than that (Squeezed); or not apart within the system (Overfull).
enum class LineFit { Overfull, Squeezed, Spaced, Clear };
// How system `system`, from tick `start` up to `end` (the score's last system when `last`), fits a
// page of geometry g.
using LineFitCheck = std::function<LineFit(int32_t start, int32_t end, int system, bool last, const PageGeometry& g)>;

// Breaks the song into systems that start on bar lines, each about PrintableWidth × 12 / digit
// width × density / 100 ticks long (one digit width per sixteenth note at density 100), and
// each holding at least one bar. With a fit check, a system ends at the latest bar line (its first
// end, else an earlier one) at which it is clear or spaced; when there is none, at the latest at
// which it is squeezed; when there is none, it keeps its first end.
int32_t TicksPerLine(int32_t printableWidth, int32_t digitWidth, int32_t density);
LineTable ComputeLineBreaks(const doc::Song& song, int32_t printableWidth, int32_t digitWidth, int32_t density,
                           const LineFitCheck& fits = {}, const PageGeometry* g = nullptr);

// The panel's values that the page setup reads.
struct PageSetupInput {
    // Paper width, paper height, top, bottom, left and right margin, in centimetres, as typed.
    std::array<QString, 6> Sizes;
    bool Landscape = false;
    bool Continuous = false;             // "全页拼接": the whole score on one page
    std::array<int, 7> SampleHeights{};  // heights of the seven font samples
    int DigitWidth = 12;                 // width of the digit sample
    std::array<int, 5> Scales{150, 100, 10, 0, 100};
    int Verses = 1;
    int ShownParts = 0;                  // parts shown in the score
};

struct PageGeometry {
    int32_t LeftMargin = 0, TopMargin = 0, RightMargin = 0;
    int32_t PrintableWidth = 0, PrintableHeight = 0;
    int32_t PaperWidth = 0, PaperHeight = 0;
    int32_t BottomMargin = 0;       // the bottom margin in pixels (page numbers below the score)
    int32_t RowsPerSystem = 0;
    int32_t PartRowHeight = 0, PartRowGap = 0;
    double SystemHeight = 0;
    double FirstPageTopOffset = 0;  // room of the title block on the first page
    int32_t SystemPitch = 0;        // distance of one system to the next before the gaps are spread
    int32_t FirstPageSystems = 0, SystemsPerPage = 0;
    double SystemGap = 0, FirstPageSystemGap = 0;
    int32_t LastPage = 0;           // index of the last page, at most kMaxPages - 1
    bool OnePage = false;           // "全页拼接": one page, as long as the score needs
    // Height of a system's position marker: the system without its last gap, plus 2.
    double MarkerHeight() const { return SystemHeight - PartRowGap + 2; }
    bool operator==(const PageGeometry&) const = default;
    // Top of page i in the page strip, and the strip's size.
    int32_t PageTop(int page) const { return (PaperHeight + 8) * page + 8; }
    int32_t StripWidth() const { return PaperWidth + 16; }
    int32_t StripHeight() const { return (LastPage + 1) * (PaperHeight + 8) + 8; }
};

// Where a system stands: its page, the top of its first row, and how much further down than the
// plain row pitch each row stands (none, or one entry per row, 0 for the first).
struct SystemPlace {
    int Page = 0;
    double Top = 0;  // drawn at the nearest whole pixel
    std::vector<int> RowShift;
    int Shift(int row) const { return row >= 0 && row < int(RowShift.size()) ? RowShift[size_t(row)] : 0; }
    bool operator==(const SystemPlace&) const = default;
};
// The places of the systems of a line table on pages of a geometry, one per system.
using SystemPlanner = std::function<std::vector<SystemPlace>(const LineTable& lines, const PageGeometry& g)>;

// The index of the last page for a line table's last system.
int32_t PageCount(int32_t lastSystem, int32_t firstPageSystems, int32_t systemsPerPage);

enum class SetupStop {
    None,
    OutOfRange,   // "长度数值超出范围"
    PageTooSmall, // "所设置页面太小"
    FontTooBig,   // "所设置字体不适合当前页面太小"
    NoPartShown,  // silent
    NoSystemFits, // "行分配不足"
};
// The message of a stop ("" for none and for the silent stop).
QString SetupStopMessage(SetupStop stop);
// Shown when the score needs more pages than the window holds.
inline const QString kTooManyPages = QStringLiteral("乐谱超过25页，只排前25页");

struct PageSetupResult {
    SetupStop Stop = SetupStop::None;
    PageGeometry Geometry;
    LineTable Lines;
    std::vector<SystemPlace> Places;  // with a planner: where each system stands
    bool TooManyPages = false;  // LastPage was cut to the window's last page
};

// The whole page setup from the panel's values and the song: geometry, line breaks and page count,
// computed together from this run's values (a continuous page is sized to this run's systems).
// A stop leaves the result's geometry and lines unset; the caller keeps its previous ones.
// With a fit check, crowded systems end earlier (see ComputeLineBreaks). With a planner, the pages
// hold the systems where it places them (a page may take fewer systems than fit plainly, and the
// one page of "全页拼接" grows to hold them).
PageSetupResult ComputePageSetup(const PageSetupInput& in, const doc::Song& song, const LineFitCheck& fits = {},
                                 const SystemPlanner& plan = {});

// Page numbers. The anchor (centre of the number) for an entry of the position list: 0 "自定位置"
// keeps `current`; 1..3 at the top, 4..6 at the bottom, left, middle or right.
struct PagePoint {
    int32_t X = 0, Y = 0;
    bool operator==(const PagePoint&) const = default;
};
PagePoint PageNumberAnchor(int positionIndex, const PageGeometry& g, const QString& bottomMarginText,
                           PagePoint current);
// The number's text on page `page`: "&p" the plain number, "&P" with leading zeros to the digits
// of the last page's number.
QString PageNumberCaption(const QString& pattern, const QString& firstNumberText, int page, int lastPage);
// The centre of page `page`'s number: mirrored about the page's middle on even numbers when
// `mirrored` ("奇偶对称").
PagePoint PageNumberCentre(PagePoint anchor, const QString& firstNumberText, int page, bool mirrored,
                           int32_t paperWidth);

}  // namespace typeset
