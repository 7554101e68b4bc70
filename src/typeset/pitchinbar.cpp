#include "typeset/pitchinbar.h"

#include "document/pitchdigits.h"

namespace typeset {

QString FreshBarAccidentals() { return QString(7, QLatin1Char(' ')); }

QString PitchToDigitInBar(int pitch, int16_t& octave, QString& accidental, QString& barState) {
    const QString digit = doc::PitchToDigit(pitch, octave, accidental);
    if (pitch < 21) return digit;
    if (barState.size() != 7) barState = FreshBarAccidentals();
    const int degree = digit.toInt() - 1;  // 0..6
    const QChar inForce = barState[degree];
    if (accidental.isEmpty()) {
        if (inForce != QLatin1Char(' ')) accidental = QStringLiteral("s");
        barState[degree] = QLatin1Char(' ');
    } else {
        const QChar sign = accidental[0];
        if (inForce == sign) accidental.clear();
        barState[degree] = sign;
    }
    return digit;
}

}  // namespace typeset
