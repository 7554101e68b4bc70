#include "platform/textcodec.h"

#include <iconv.h>
#include <array>
#include <cerrno>
#include <vector>

namespace textcodec {
namespace {

// An iconv converter; each use starts from the initial shift state.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != (iconv_t)-1; }
    iconv_t get() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

// One converter per direction and thread, opened at its first use and kept: opening one costs far
// more than converting a short text.
Converter& ToGbkConverter() {
    thread_local Converter c("GBK", "UTF-16LE");
    return c;
}

Converter& FromGbkConverter() {
    thread_local Converter c("UTF-16LE", "GBK");
    return c;
}

// The code page as tables, read once from iconv itself so that they say exactly what it says:
// every two-byte code and every single byte from 0x80 up decoded, and the decoding turned round.
// A character the turned-round table does not hold (none, or two codes decoding to it) is asked of
// iconv when it comes.
struct GbkTables {
    bool ok = false;
    std::vector<char16_t> pairs;           // (lead - 0x80) * 256 + trail -> character, 0 = no character
    std::array<char16_t, 128> singles{};   // byte - 0x80 -> character, 0 = no character
    std::vector<uint16_t> codes;           // character -> code (lead * 256 + trail, or the byte), 0 = ask
};

GbkTables BuildTables() {
    GbkTables t;
    Converter from("UTF-16LE", "GBK");
    if (!from.ok()) return t;
    t.pairs.assign(128 * 256, 0);
    t.codes.assign(65536, 0);
    std::vector<uint8_t> seen(65536, 0);  // how many codes decode to each character
    auto note = [&](char16_t ch, uint16_t code) {
        if (ch < 0x80) return;
        if (seen[ch]++ == 0) t.codes[ch] = code;
        else t.codes[ch] = 0;
    };
    for (int b = 0x80; b <= 0xFF; ++b) {
        char in = char(b);
        char16_t out[2];
        char* src = &in;
        char* dst = reinterpret_cast<char*>(out);
        size_t srcLeft = 1, dstLeft = sizeof out;
        if (iconv(from.get(), &src, &srcLeft, &dst, &dstLeft) != (size_t)-1 && dstLeft == sizeof out - 2) {
            t.singles[size_t(b - 0x80)] = out[0];
            note(out[0], uint16_t(b));
        }
    }
    // Each lead byte's row of trail bytes in one run; a pair that is no character is stepped over.
    // Every pair read gives one character of the plane, or the tables are not used. Bytes outside
    // the code page's lead (0x81..0xFE) and trail (0x40..0xFE but 0x7F) ranges pair with nothing.
    std::vector<int> trails;
    for (int b = 0x40; b <= 0xFE; ++b)
        if (b != 0x7F) trails.push_back(b);
    const int count = int(trails.size());
    std::vector<char> row(2 * size_t(count));
    std::vector<char16_t> chars(static_cast<size_t>(count));
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        if (t.singles[size_t(lead - 0x80)] != 0) continue;  // a character on its own, never a lead
        for (int k = 0; k < count; ++k) row[size_t(2 * k)] = char(lead), row[size_t(2 * k + 1)] = char(trails[size_t(k)]);
        iconv_t cd = from.get();
        int pair = 0;
        while (pair < count) {
            char* src = row.data() + 2 * pair;
            size_t srcLeft = size_t(2 * (count - pair));
            char* dst = reinterpret_cast<char*>(chars.data());
            size_t dstLeft = chars.size() * 2;
            const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
            const int readPairs = int(src - (row.data() + 2 * pair)) / 2;
            const int made = int(dst - reinterpret_cast<char*>(chars.data())) / 2;
            if ((src - row.data()) % 2 != 0 || made != readPairs) return GbkTables{};
            for (int k = 0; k < made; ++k) {
                const int trail = trails[size_t(pair + k)];
                t.pairs[size_t((lead - 0x80) * 256 + trail)] = chars[size_t(k)];
                note(chars[size_t(k)], uint16_t(lead * 256 + trail));
            }
            pair += readPairs;
            if (r == (size_t)-1) {
                ++pair;  // no character: step over the pair
                cd = from.get();
            }
        }
    }
    t.ok = true;
    return t;
}

const GbkTables& Tables() {
    static const GbkTables t = BuildTables();
    return t;
}

bool IsAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (uchar(c) >= 0x80) return false;
    return true;
}

// One character (one or two UTF-16 units) through iconv into `dst` (room for 8 bytes); the byte
// count, or -1 when GBK lacks it.
int EncodeByIconv(const char16_t* units, int count, char* dst) {
    Converter& c = ToGbkConverter();
    if (!c.ok()) return -1;
    iconv_t cd = c.get();
    char* src = reinterpret_cast<char*>(const_cast<char16_t*>(units));
    size_t srcLeft = size_t(count) * 2;
    char* out = dst;
    size_t dstLeft = 8;
    if (iconv(cd, &src, &srcLeft, &out, &dstLeft) == (size_t)-1 || srcLeft != 0) return -1;
    return int(out - dst);
}

// The character at `i` of the text: its UTF-16 units (a surrogate pair counts as one character).
int CharUnits(const QString& text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
}

// The GBK bytes of the character at `i` (`units` long) into `dst` (room for 8 bytes); the byte
// count, or -1 when GBK lacks it.
int EncodeChar(const QString& text, qsizetype i, int units, char* dst) {
    const char16_t u = text[i].unicode();
    if (u < 0x80) {
        dst[0] = char(u);
        return 1;
    }
    const GbkTables& t = Tables();
    if (units == 1 && t.ok) {
        if (const uint16_t code = t.codes[u]) {
            if (code < 0x100) {
                dst[0] = char(code);
                return 1;
            }
            dst[0] = char(code >> 8);
            dst[1] = char(code & 0xFF);
            return 2;
        }
    }
    return EncodeByIconv(reinterpret_cast<const char16_t*>(text.utf16()) + i, units, dst);
}

// GBK bytes to text through iconv, one conversion over the whole text.
QString DecodeByIconv(QByteArrayView bytes) {
    Converter& c = FromGbkConverter();
    if (!c.ok()) return QString::fromLatin1(bytes);
    iconv_t cd = c.get();
    QString out;
    std::vector<char> buf(size_t(bytes.size()) * 2 + 16);
    char* src = const_cast<char*>(bytes.data());
    size_t srcLeft = size_t(bytes.size());
    while (srcLeft > 0) {
        char* dst = buf.data();
        size_t dstLeft = buf.size();
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(QStringView(reinterpret_cast<const char16_t*>(buf.data()), (dst - buf.data()) / 2));
        if (r == (size_t)-1 && srcLeft > 0) {
            out.append(QChar(0xFFFD));
            ++src;
            --srcLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace

std::optional<QByteArray> toGbk(const QString& text) {
    // Two bytes at most per unit; a character asked of iconv may come with a few more.
    QByteArray out(text.size() * 2 + 8, Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            out.data()[n++] = char(u);
            continue;
        }
        const int units = CharUnits(text, i);
        if (out.size() - n < 8) out.resize(out.size() + 16);
        const int w = EncodeChar(text, i, units, out.data() + n);
        if (w < 0) return std::nullopt;
        n += w;
        i += units - 1;
    }
    out.truncate(n);
    return out;
}

QString fromGbk(QByteArrayView bytes) {
    if (bytes.isEmpty()) return QString();
    if (IsAscii(bytes)) return QString::fromLatin1(bytes);
    const GbkTables& t = Tables();
    if (!t.ok) return DecodeByIconv(bytes);
    // A byte that starts no valid character (or a lead byte cut off at the end) becomes U+FFFD and
    // the reading resumes after it.
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const auto* b = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype count = 0;
    for (qsizetype i = 0; i < n;) {
        const uchar c = b[i];
        char16_t ch = c;
        int width = 1;
        if (c >= 0x80) {
            ch = t.singles[c - 0x80];
            if (ch == 0 && i + 1 < n) {
                ch = t.pairs[size_t((c - 0x80) * 256 + b[i + 1])];
                width = 2;
            }
            if (ch == 0) ch = 0xFFFD, width = 1;
        }
        dst[count++] = ch;
        i += width;
    }
    out.truncate(count);
    return out;
}

bool canEncode(const QString& text) { return toGbk(text).has_value(); }

int gbkLength(const QString& text) {
    // The byte count of the whole text when GBK holds it; else 1 per character below 0x80 and 2 per
    // other character.
    int bytes = 0, rough = 0;
    bool exact = true;
    char buf[8];
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            ++bytes, ++rough;
            continue;
        }
        const int units = CharUnits(text, i);
        rough += 2;
        if (exact) {
            const int w = EncodeChar(text, i, units, buf);
            if (w < 0) exact = false;
            else bytes += w;
        }
        i += units - 1;
    }
    return exact ? bytes : rough;
}

QByteArray toGbkFitting(const QString& text, int maxBytes, bool* lossless) {
    QByteArray out;
    bool clean = true;
    char buf[8];
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int units = CharUnits(text, i);
        int w = EncodeChar(text, i, units, buf);
        if (w < 0) {
            buf[0] = '?';
            w = 1;
            clean = false;
        }
        i += units - 1;
        if (out.size() + w > maxBytes) break;
        out.append(buf, w);
    }
    if (lossless) *lossless = clean;
    return out;
}

QByteArray gbkPrefix(const QByteArray& bytes, int maxBytes) {
    int end = 0;
    while (end < bytes.size()) {
        const uchar lead = uchar(bytes[end]);
        const int width = lead >= 0x81 && lead <= 0xFE ? 2 : 1;
        if (end + width > maxBytes || end + width > bytes.size()) break;
        end += width;
    }
    return bytes.left(end);
}

}  // namespace textcodec
