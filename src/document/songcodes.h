// The small codes of the song: time-signature codes (numerator + 32 × k for the denominators
// 1, 2, 4, 8, 16 as k = 1..5) and key codes (0..11 semitones above C, negative an octave lower).
#pragma once

#include <QString>
#include <cstdint>

namespace doc {

// "n/d" to its code; a numerator above 31 is taken as 31, a denominator other than
// 1, 2, 8 or 16 as 4.
int16_t TimeSigTextToCode(const QString& text);
// The code as "n/d" ("4/4", "6/8").
QString TimeSigCodeToText(int code);
int GetTimeSigNumerator(int code);
int GetTimeSigDenominator(int code);
// Ticks of one beat (192 / denominator) and of one bar of the code's meter.
int BeatTicks(int code);
int BarTicks(int code);

// The twelve key names of the key selector, in code order 0..11 ("C 调  (+0)" ...).
QString KeyName(int index);
// The key as the song ruler's marker shows it: the first two characters of its name,
// preceded by "低" for a key an octave lower (negative code).
QString KeyMarkerCaption(int key);
// The key as the page header shows it: the first two characters of its name, trimmed ("C", "#C").
QString KeyShortName(int key);

}  // namespace doc
