// Digits of a note inside a bar: the digit, octave and accidental of PitchToDigit, with the
// accidentals already in force in the bar taken into account.
#pragma once

#include <QString>
#include <cstdint>

namespace typeset {

// All blank: the bar accidental state at the start of the score, of every row and of every bar.
QString FreshBarAccidentals();

// As doc::PitchToDigit, then, for a note (21..108), against `barState` (one character per degree
// 1..7 of each octave -4..4: ' ' none in force, 't' sharp, 'r' flat): a sharp or flat already in
// force on the same degree and octave is not repeated, a natural on a degree and octave that carries
// one gets "s"; the accidental given is recorded for that degree and octave only. A state of the
// wrong length is taken as a fresh one.
QString PitchToDigitInBar(int pitch, int16_t& octave, QString& accidental, QString& barState);

}  // namespace typeset
