#include "typeset/pitchinbar.h"

#include <algorithm>

#include "document/pitchdigits.h"

namespace typeset {

namespace {
constexpr int kOctaves = 9;  // octave numbers -4..4 of the notes 21..108
constexpr int kStateSize = 7 * kOctaves;
}  // namespace

QString FreshBarAccidentals() { return QString(kStateSize, QLatin1Char(' ')); }

QString PitchToDigitInBar(int pitch, int16_t& octave, QString& accidental, QString& barState) {
    const QString digit = doc::PitchToDigit(pitch, octave, accidental);
    if (pitch < 21) return digit;
    if (barState.size() != kStateSize) barState = FreshBarAccidentals();
    const int degree = digit.toInt() - 1;  // 0..6
    const int slot = (std::clamp<int>(octave, -4, 4) + 4) * 7 + degree;
    const QChar inForce = barState[slot];
    if (accidental.isEmpty()) {
        if (inForce != QLatin1Char(' ')) accidental = QStringLiteral("s");
        barState[slot] = QLatin1Char(' ');
    } else {
        const QChar sign = accidental[0];
        if (inForce == sign) accidental.clear();
        barState[slot] = sign;
    }
    return digit;
}

}  // namespace typeset
