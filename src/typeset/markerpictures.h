// The pictures of the page window's loop markers: a bracket in the loop colour, as tall as a system,
// with an arrow pointing into the loop. The loop-start marker stands with its bar on the first beat's
// left edge; the loop-end marker, kLoopMarkerWidth wide, ends with its bar on the left edge of the
// beat after the loop.
#pragma once

#include <QImage>

namespace typeset {

constexpr int kLoopMarkerWidth = 13;
constexpr QRgb kLoopMarkerColour = 0xFF0060E0;

// The picture of the loop-start marker (`start`) or the loop-end marker for a system `height` pixels
// tall (at least 16); transparent around the bracket.
QImage LoopMarkerPicture(bool start, int height);

}  // namespace typeset
