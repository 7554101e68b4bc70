// Numbered-notation digits of a stored pitch: the scale degree (pitch class 0 is always "1"),
// the octave count (0 for notes 60..71) and the accidental as a glyph letter of the notation
// font ("t" sharp, "r" flat). The song's key is not applied here.
#pragma once

#include <QString>
#include <cstdint>

namespace doc {

// The digit text of `pitch`: "1".."7" for a note (21..108), "X" for a note without pitch (20),
// "0" for a rest (19), "" for any other item code. For a note, `octave` and `accidental` are set;
// for 20 and 19 they become 0 and ""; for the other item codes they are left as they were.
QString PitchToDigit(int pitch, int16_t& octave, QString& accidental);

}  // namespace doc
