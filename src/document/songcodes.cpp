#include "document/songcodes.h"

#include "platform/vbtext.h"

#include <array>

namespace doc {

int16_t TimeSigTextToCode(const QString& text) {
    int slash = vb::InStr(text, "/");
    int numerator = int(vb::Val(vb::Left(text, slash - 1)));
    int denominator = int(vb::Val(vb::Mid(text, slash + 1)));
    if (numerator > 31) numerator = 31;
    // A bar needs at least one beat: a list entry such as "0/4" would make every bar empty.
    if (numerator < 1) numerator = 1;
    int k;
    switch (denominator) {
    case 1: k = 1; break;
    case 2: k = 2; break;
    case 8: k = 4; break;
    case 16: k = 5; break;
    default: k = 3; break;
    }
    return int16_t(numerator + 32 * k);
}

int GetTimeSigNumerator(int code) { return code & 31; }

int GetTimeSigDenominator(int code) {
    switch (code / 32) {
    case 1: return 1;
    case 2: return 2;
    case 4: return 8;
    case 5: return 16;
    default: return 4;
    }
}

QString TimeSigCodeToText(int code) {
    return QString::number(GetTimeSigNumerator(code)) + "/" + QString::number(GetTimeSigDenominator(code));
}

int BeatTicks(int code) { return 192 / GetTimeSigDenominator(code); }
int BarTicks(int code) { return BeatTicks(code) * GetTimeSigNumerator(code); }

static const std::array<const char*, 12> kKeyNames = {
    "C 调  (+0)", "#C调  (+1)", "D 调  (+2)",  "bE调  (+3)",  "E 调  (+4)",  "F 调  (+5)",
    "bG调  (+6)", "G 调  (+7)", "bA调  (+8)", "A 调  (+9)", "bB调  (+10)", "B 调  (+11)"};

QString KeyName(int index) {
    if (index < 0 || index > 11) return QString();
    return QString::fromUtf8(kKeyNames[index]);
}

QString KeyMarkerCaption(int key) {
    if (key < 0) return QString::fromUtf8("低") + vb::Left(KeyName(key + 12), 2);
    return vb::Left(KeyName(key), 2);
}

QString KeyShortName(int key) { return vb::Trim(vb::Left(KeyName(key < 0 ? key + 12 : key), 2)); }

}  // namespace doc
