// Geometry of the track view's part strips: each part's pitch range and strip height, the
// stacking of the strips in the order of their stored tops, where the header controls of each
// part go, which part lies under a pointer, and the drag that moves a strip to another place.
// Plain model code: the main window applies the results to its controls.
#pragma once

#include "document/song.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace editing {

// Strips are never lower than this, in canvas pixels.
constexpr int kMinStripHeight = 120;
// Top of a header control of a part that is not in use (out of sight).
constexpr int kParkedTop = -500;

// Sets the part's StripTopPitch (its highest sung pitch, 21 without notes) and StripHeight
// ((highest - lowest + 1) x noteBarWidth + lyricNoteGap, at least 120).
void UpdatePartPitchRange(doc::Song& song, int part, int noteBarWidth, int lyricNoteGap);

// Where the header controls of one part go (Top of each, canvas pixels).
struct PartHeaderTops {
    int separator = kParkedTop;   // Picture5(p): the line under the strip
    int name = kParkedTop;        // Label2(p) and both colour swatches Label11(p), Label11(p + 10)
    int switches = kParkedTop;    // Command11(p) and Check1(p), (p + 20), (p + 30)
    int volume = kParkedTop;      // Label4(p), Label4(p + 10)
    int instrument = kParkedTop;  // Label16(p)
    int offset = kParkedTop;      // Labjq(p)
};

// The stacked strips and everything the window sizes from them.
struct StripLayout {
    std::vector<int> order;                       // parts from the top strip down
    std::array<PartHeaderTops, doc::kMaxParts + 1> headers{};  // index 1..8
    int bottom = 0;             // bottom of the last strip: the drop boundary below all parts
    int containerHeight = 20;   // Picture3.Height
    int canvasHeight = 0;       // Picture4(0), Picture4(1) Height
    int addButtonTop = 2;       // Label12.Top ("添加一个新声部")
    int headerColumnHeight = 20;  // Label1.Height
    int accompanimentOffsetTop = -16;  // Labjq(0).Top
    int frameTop = 0;           // Shape1(0), Shape1(1): the current part's strip
    int frameHeight = 0;
};

// Re-stacks parts 1..PartCount: ordered by stored StripTop (ties by part number), the first at 0
// and each following directly under the one before. Writes the new tops into the part records
// (nothing else, in particular no slot beyond PartCount) and returns the layout.
StripLayout ArrangePartStrips(doc::Song& song);

// The layout of the strips as they stand (the tops already stacked), without re-stacking.
StripLayout CurrentStripLayout(const doc::Song& song);

// The part whose strip holds y strictly inside (a y on the line between two strips is in no
// strip); 0 when none.
int PartAtY(const doc::Song& song, double y);

// A press of the left button on the track view at y: the part under y becomes current. Returns
// true when the current part changed. A y on a strip boundary or beyond the strips keeps the
// current part.
bool SelectPartAtY(doc::Song& song, double y);

// What a key pressed on the track view's canvas does (Picture4_KeyDown). `shift` is the
// modifier mask (1 Shift, 2 Ctrl, 4 Alt); exactly Ctrl is 2.
enum class TrackViewKey {
    None,
    InsertTimeSignature,  // Ctrl+R
    InsertTempo,          // Ctrl+T
    InsertKey,            // Ctrl+V
    UnlockTitleBlock,     // Ctrl+N
    DeletePart,           // Ctrl+Delete: the toolbar's delete button
    PlayStop,             // Space without modifier
};
TrackViewKey ClassifyTrackViewKey(int keyCode, int shift);

// Dragging the current part's strip to another place. The marker (Picture5(10)) shows the strip
// boundary the part will be dropped on.
class StripDrag {
public:
    static constexpr int kMarkerHidden = -200;
    // Picture5(10).Top; kMarkerHidden while no boundary was reached.
    int MarkerTop = kMarkerHidden;

    // The left button is held at y: the nearest boundary (the tops of the strips and the bottom
    // of the stack; of two equally near the upper-listed part's) within 10 pixels takes the
    // marker. Farther away the marker stays. Returns true when the marker moved.
    bool Move(const doc::Song& song, const StripLayout& layout, double y);

    // The button is released: when the marker shows a boundary, the current part is stored just
    // above it, the strips are re-stacked, the marker is hidden and the song marked modified and
    // for typesetting (the score's rows follow the strip order). Returns the new layout, or
    // nothing when no boundary was shown (nothing changes then).
    std::optional<StripLayout> Release(doc::Song& song);
};

}  // namespace editing
