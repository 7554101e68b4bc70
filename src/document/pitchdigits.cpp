#include "document/pitchdigits.h"

#include "platform/vbtext.h"

namespace doc {

QString PitchToDigit(int pitch, int16_t& octave, QString& accidental) {
    if (pitch == 20 || pitch == 19) {
        octave = 0;
        accidental.clear();
        return pitch == 20 ? QStringLiteral("X") : QStringLiteral("0");
    }
    if (pitch < 21) return QString();
    // Black keys are written as sharps of 1, 4, 5 and flats of 3, 7.
    static const QString kDigits[12] = {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2"),
                                        QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("4"),
                                        QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("5"),
                                        QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("7")};
    static const QString kSigns[12] = {QString(), QStringLiteral("t"), QString(), QStringLiteral("r"),
                                       QString(), QString(),           QStringLiteral("t"), QString(),
                                       QStringLiteral("t"), QString(), QStringLiteral("r"), QString()};
    const int cls = int(vb::Mod(pitch, 12));
    octave = int16_t(vb::IDiv(pitch, 12) - 5);
    accidental = kSigns[cls];
    return kDigits[cls];
}

}  // namespace doc
