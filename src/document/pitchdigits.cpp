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
    static const char* const kDigits[12] = {"1", "1", "2", "3", "3", "4", "4", "5", "5", "6", "7", "7"};
    static const char* const kSigns[12] = {"", "t", "", "r", "", "", "t", "", "t", "", "r", ""};
    const int cls = int(vb::Mod(pitch, 12));
    octave = int16_t(vb::IDiv(pitch, 12) - 5);
    accidental = QString::fromLatin1(kSigns[cls]);
    return QString::fromLatin1(kDigits[cls]);
}

}  // namespace doc
