#include "platform/vbtext.h"

#include <cmath>
#include <limits>

namespace vb {

double Round(double x) {
    if (!std::isfinite(x)) return x;
    return std::nearbyint(x);  // default rounding mode: to nearest, ties to even
}

double Round(double x, int digits) {
    if (digits <= 0) return Round(x);
    double scale = std::pow(10.0, digits);
    return std::nearbyint(x * scale) / scale;
}

int16_t CInt(double x) {
    double r = Round(x);
    if (!(r >= -32768.0 && r <= 32767.0)) throw Overflow();
    return static_cast<int16_t>(r);
}

int32_t CLng(double x) {
    double r = Round(x);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw Overflow();
    return static_cast<int32_t>(r);
}

double Int(double x) { return std::floor(x); }
double Fix(double x) { return std::trunc(x); }

int64_t IDiv(double a, double b) {
    double ra = Round(a), rb = Round(b);
    if (rb == 0) throw std::domain_error("division by zero");
    return static_cast<int64_t>(ra) / static_cast<int64_t>(rb);
}

int64_t Mod(double a, double b) {
    double ra = Round(a), rb = Round(b);
    if (rb == 0) throw std::domain_error("division by zero");
    return static_cast<int64_t>(ra) % static_cast<int64_t>(rb);
}

QString Format(double x, const QString& pattern) {
    int dot = pattern.indexOf('.');
    int intWidth = dot < 0 ? pattern.size() : dot;
    int decimals = dot < 0 ? 0 : pattern.size() - dot - 1;
    double scale = std::pow(10.0, decimals);
    double mag = std::fabs(x) * scale;
    // Halves away from zero; the small epsilon keeps values such as 2.675 (stored just
    // below the half) from being pushed down by binary representation.
    double rounded = std::floor(mag + 0.5 + mag * 1e-15);
    bool negative = x < 0 && rounded != 0;
    QString digits = QString::number(rounded, 'f', 0);
    while (digits.size() < intWidth + decimals) digits.prepend('0');
    QString out;
    if (decimals > 0) {
        out = digits.left(digits.size() - decimals) + "." + digits.right(decimals);
    } else {
        out = digits;
    }
    return negative ? "-" + out : out;
}

int FormatWholeInto(char16_t* out, int64_t x, int width) {
    // The common case, a value with no more digits than the pattern: exactly `width` digits.
    static constexpr uint32_t kLimit[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    if (width >= 1 && width <= 9 && x >= 0 && x < int64_t(kLimit[width])) {
        uint32_t v = uint32_t(x);
        for (int i = width - 1; i >= 0; --i, v /= 10) out[i] = char16_t(u'0' + v % 10);
        return width;
    }
    // Digits from the right end of a buffer, then moved to the front of `out`.
    char16_t text[kFormatWholeRoom];
    int at = kFormatWholeRoom;
    uint64_t mag = x < 0 ? uint64_t(0) - uint64_t(x) : uint64_t(x);
    do {
        text[--at] = char16_t(u'0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    for (int pad = std::min(width, kFormatWholeRoom - 2) - (kFormatWholeRoom - at); pad > 0; --pad) text[--at] = u'0';
    if (x < 0) text[--at] = u'-';
    const int n = kFormatWholeRoom - at;
    std::copy(text + at, text + kFormatWholeRoom, out);
    return n;
}

QString FormatWhole(int64_t x, int width) {
    char16_t text[kFormatWholeRoom];
    return QString(reinterpret_cast<const QChar*>(text), FormatWholeInto(text, x, width));
}

namespace {
// The number as text: whole numbers in full, others with up to 15 significant digits.
QString numberText(double x) {
    if (x == 0) return "0";
    if (std::isfinite(x) && x == std::trunc(x) && std::fabs(x) < 1e15)
        return QString::number(static_cast<long long>(x));
    return QString::number(x, 'g', 15);
}
}  // namespace

QString CStr(double x) { return numberText(x); }

// Str and Print write a fraction between -1 and 1 without its leading zero: " .5", "-.5".
QString Str(double x) {
    QString s = numberText(x);
    if (s.startsWith("0.")) s.remove(0, 1);
    else if (s.startsWith("-0.")) s.remove(1, 1);
    return x < 0 ? s : " " + s;
}

QString PrintNumber(double x) { return Str(x) + " "; }

double Val(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.append(c);
    int i = 0, n = s.size();
    if (n >= 2 && s[0] == '&') {
        QChar p = s[1].toUpper();
        int base = p == 'H' ? 16 : p == 'O' ? 8 : 0;
        if (base) {
            long long v = 0;
            int j = 2;
            for (; j < n; ++j) {
                int d = s[j].isDigit() ? s[j].digitValue()
                        : (base == 16 && s[j].toUpper() >= 'A' && s[j].toUpper() <= 'F')
                            ? s[j].toUpper().unicode() - 'A' + 10 : -1;
                if (d < 0 || d >= base) break;
                v = v * base + d;
                if (v > 0xFFFFFFFFLL) break;
            }
            // Hex and octal literals are 16- or 32-bit two's complement values.
            if (v <= 0xFFFF && j - 2 <= (base == 16 ? 4 : 6)) return double(int16_t(uint16_t(v)));
            return double(int32_t(uint32_t(v)));
        }
        return 0;
    }
    QString num;
    if (i < n && (s[i] == '+' || s[i] == '-')) num.append(s[i++]);
    bool digits = false, dot = false;
    while (i < n) {
        QChar c = s[i];
        if (c >= '0' && c <= '9') { num.append(c); digits = true; ++i; }
        else if (c == '.' && !dot) { num.append(c); dot = true; ++i; }
        else break;
    }
    if (!digits) return 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        int j = i + 1;
        QString ex = "e";
        if (j < n && (s[j] == '+' || s[j] == '-')) ex.append(s[j++]);
        bool exDigits = false;
        while (j < n && s[j] >= '0' && s[j] <= '9') { ex.append(s[j++]); exDigits = true; }
        if (exDigits) num.append(ex);
    }
    bool ok = false;
    double v = num.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

int Len(const QString& s) { return s.size(); }

QString Mid(const QString& s, int start, int length) {
    if (start < 1) start = 1;
    if (start > s.size()) return QString();
    if (length < 0) return s.mid(start - 1);
    return s.mid(start - 1, length);
}

QString Left(const QString& s, int n) { return n <= 0 ? QString() : s.left(n); }
QString Right(const QString& s, int n) { return n <= 0 ? QString() : s.right(n); }

int InStr(const QString& s, const QString& find, int start) {
    if (start < 1) start = 1;
    if (start > s.size() + 1) return 0;
    if (find.isEmpty()) return start;
    int p = s.indexOf(find, start - 1, Qt::CaseSensitive);
    return p < 0 ? 0 : p + 1;
}

QString LTrim(const QString& s) {
    int i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.mid(i);
}

QString RTrim(const QString& s) {
    int e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return s.left(e);
}

QString Trim(const QString& s) { return LTrim(RTrim(s)); }

QString Space(int n) { return n <= 0 ? QString() : QString(n, ' '); }

QString Chr(int code) { return QString(QChar(char16_t(code))); }

int Asc(const QString& s) { return s.isEmpty() ? 0 : s[0].unicode(); }

}  // namespace vb
