#include "platform/textcodec.h"

#include <iconv.h>
#include <cerrno>
#include <vector>

namespace textcodec {
namespace {

// Converts with iconv; returns false on a character the target cannot hold.
bool convert(const char* to, const char* from, const QByteArray& in, QByteArray& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) return false;
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = in.size();
    char* dst = buf.data();
    size_t dstLeft = buf.size();
    bool ok = true;
    while (srcLeft > 0) {
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r == (size_t)-1) { ok = false; break; }
    }
    iconv_close(cd);
    out = QByteArray(buf.data(), int(dst - buf.data()));
    return ok;
}

// One character (one or two UTF-16 units) converted to GBK.
std::optional<QByteArray> charToGbk(const QString& ch) {
    QByteArray out;
    if (!convert("GBK", "UTF-16LE", QByteArray(reinterpret_cast<const char*>(ch.utf16()), ch.size() * 2), out))
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<QByteArray> toGbk(const QString& text) {
    QByteArray out;
    QByteArray in(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    if (!convert("GBK", "UTF-16LE", in, out)) return std::nullopt;
    return out;
}

QString fromGbk(const QByteArray& bytes) {
    // One conversion over the whole text; a byte that starts no valid GBK character (or a lead
    // byte cut off at the end) becomes U+FFFD and the conversion resumes after it.
    QString out;
    if (bytes.isEmpty()) return out;
    iconv_t cd = iconv_open("UTF-16LE", "GBK");
    if (cd == (iconv_t)-1) return QString::fromLatin1(bytes);
    std::vector<char> buf(bytes.size() * 2 + 16);
    char* src = const_cast<char*>(bytes.constData());
    size_t srcLeft = bytes.size();
    while (srcLeft > 0) {
        char* dst = buf.data();
        size_t dstLeft = buf.size();
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(buf.data()),
                                      int(dst - buf.data()) / 2));
        if (r == (size_t)-1 && srcLeft > 0) {
            out.append(QChar(0xFFFD));
            ++src;
            --srcLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

bool canEncode(const QString& text) { return toGbk(text).has_value(); }

int gbkLength(const QString& text) {
    if (auto b = toGbk(text)) return b->size();
    int n = 0;
    for (int i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size()) ++i;
        n += c.unicode() < 0x80 ? 1 : 2;
    }
    return n;
}

QByteArray toGbkFitting(const QString& text, int maxBytes, bool* lossless) {
    QByteArray out;
    bool clean = true;
    for (int i = 0; i < text.size(); ++i) {
        int len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QString ch = text.mid(i, len);
        i += len - 1;
        QByteArray b;
        if (ch.size() == 1 && ch[0].unicode() < 0x80) b = QByteArray(1, char(ch[0].unicode()));
        else if (auto g = charToGbk(ch)) b = *g;
        else { b = "?"; clean = false; }
        if (out.size() + b.size() > maxBytes) break;
        out.append(b);
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
