// Whether a system keeps its glyphs apart: the digits (with their accidentals and augmentation
// dots), the bar lines and the syllables of every row, and on the score's first system the part
// names before the bracket, at the places the line loop gives them once the system is stretched to
// the printable width. The line breaking ends a crowded system at an earlier bar line.
#pragma once

#include "typeset/geometry.h"
#include "typeset/typesetter.h"

namespace typeset {

// The fit check of the score `in` describes (its song, measures and fonts; its geometry and line
// table are not read). Holds what it needs of the song, which must outlive it.
LineFitCheck GlyphFitOf(const TypesetInput& in);

}  // namespace typeset
