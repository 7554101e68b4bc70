// The page window's beat boxes and what a click on a page means.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace typeset {

// One typeset beat: its page, the box's left x, the top of its system's first row, its width and
// the beat's start tick.
struct BeatBox {
    int16_t Page = 0;
    int32_t X = 0, Y = 0, Width = 0;
    int32_t Tick = 0;
};
constexpr int kMaxBeatBoxes = 1024;

// The box a click at (x, y) on `page` hits: scanning from the last box down, the first on that
// page whose X and Y are both strictly less than the click's. -1 for none.
int HitBeatBox(const std::vector<BeatBox>& boxes, int page, double x, double y);
// The last box whose tick is not after `tick` (the beat holding it); -1 when none.
int BeatBoxAtOrBefore(const std::vector<BeatBox>& boxes, int32_t tick);
// The row of the system the click falls in, within 0..rows - 1; `rowShift` holds how much further
// down each row stands than the plain pitch puts it (none: no row moved).
int ClickRow(const BeatBox& box, double y, int32_t partRowHeight, int32_t partRowGap, int rows,
             const std::vector<int>& rowShift = {});
// The part named by a row of the system (`rowParts` holds one digit per row); 0 for none.
int RowPart(const QString& rowParts, int row);
// The tick an Alt-click at x on box `hit` targets: the next box's when x is right of the box's
// middle; past the last box, the song's end.
int32_t AltClickTick(const std::vector<BeatBox>& boxes, int hit, double x, int32_t songLength);

enum class PageClick { None, Plain, Alt, PlayStop };
// Alt alone (shift state 4) with any button: Alt-click; else the left button a plain click and the
// right one play/stop.
PageClick DecidePageClick(int button, int shift);

// The page window's scroll range for its strip and inner height (never negative), and where the
// player keeps the position marker: (inner height - marker height) / 2, rounded.
int32_t StripScrollMax(double stripHeight, double innerHeight);
int32_t MarkerCentreY(double innerHeight, double markerHeight);

}  // namespace typeset
