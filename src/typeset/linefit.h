// Where a system's cells stand on the page and whether its glyphs keep apart there: the digits
// (with their accidentals and augmentation dots), the bar lines, the bracket and the syllables of
// every row, and on the score's first system the part names before the bracket.
//
// A system is stretched to the printable width (the score's last one keeps its natural width,
// widened only as far as its glyphs need). Where a glyph would still touch the glyph, bar line or
// bracket before it, it moves right just far enough and the system is spread again so that it
// still ends at its right edge. Room before a bar's first note (for its accidental), after the
// bracket and before the score's closing mark is always made; room between the glyphs of two
// notes marks the system as spaced: the line breaking ends such a system at an earlier bar line
// when one keeps its glyphs apart at their own places.
#pragma once

#include <memory>

#include "typeset/geometry.h"
#include "typeset/typesetter.h"

namespace typeset {

// One system laid out on the page.
struct PlacedLine {
    LineCells Cells;                // every cell of the system, the entry of its end last
    std::vector<BeatBox> Beats;     // its beats: tick, x and width (page and y are left to the caller)
    std::vector<uint8_t> BarStart;  // 1 where a bar line opens the beat
    int EndX = 0;                   // the system's end: the score's closing mark stands there
    double Stretch = 1;             // of the natural places
    LineFit Fit = LineFit::Clear;
};

class GlyphFit;

// The systems of the score `in` describes (its song, measures and fonts; its geometry and line
// table are not read). Holds what it needs of the song, which must outlive it.
class LinePlacer {
public:
    explicit LinePlacer(const TypesetInput& in);
    // System `system`, ticks start..end (the score's last system when `last`), on a page of
    // geometry g.
    PlacedLine Place(int32_t start, int32_t end, int system, bool last, const PageGeometry& g) const;

private:
    std::shared_ptr<GlyphFit> fit_;
};

// The fit check of the line breaking over the same placing.
LineFitCheck GlyphFitOf(const TypesetInput& in);

}  // namespace typeset
