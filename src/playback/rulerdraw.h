// Drawing the song ruler Picture1: bar lines (12 units tall) and beat lines (6 units), and the bar
// numbers printed just left of their bar lines where they leave room. The change markers, the
// cursor line and the loop markers are controls over the ruler that the window places from the
// returned marks.
#pragma once

#include "document/song.h"
#include "document/timeline.h"
#include "platform/surface.h"

namespace playback {

// Clears the surface and draws the ruler of the song (after RebuildTimeline) at `width` units,
// in the surface's pen colour and font. Each bar line is drawn from y 0 down to 12, which leaves
// the print position at its lower end; the print position then goes 8 units left of the line
// and the bar's number is printed there as the runtime prints a number (a blank for its sign in
// front, one after) when it stands more than 96 units right of the last number printed.
// Returns the marks, for the markers and lines the window places.
doc::RulerMarks DrawSongRuler(vb::Surface& surface, const doc::Song& song, double width);

}  // namespace playback
