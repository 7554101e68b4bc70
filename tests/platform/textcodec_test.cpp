// The GBK tables against iconv itself: every character of the plane, every byte pair and random byte
// strings convert exactly as a fresh iconv conversion does, on any thread.
#include <gtest/gtest.h>

#include <iconv.h>
#include <future>
#include <random>
#include <vector>

#include "platform/textcodec.h"

namespace {

// What iconv makes of a text, converter opened for the call: the GBK bytes, or nothing.
std::optional<QByteArray> IconvGbk(const QString& text) {
    iconv_t cd = iconv_open("GBK", "UTF-16LE");
    std::vector<char> out(size_t(text.size()) * 4 + 8);
    char* src = reinterpret_cast<char*>(const_cast<char16_t*>(reinterpret_cast<const char16_t*>(text.utf16())));
    size_t srcLeft = size_t(text.size()) * 2, dstLeft = out.size();
    char* dst = out.data();
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != (size_t)-1 && srcLeft == 0;
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return QByteArray(out.data(), dst - out.data());
}

// What iconv makes of GBK bytes, a byte it cannot start a character with read as U+FFFD.
QString IconvText(const QByteArray& bytes) {
    iconv_t cd = iconv_open("UTF-16LE", "GBK");
    QString text;
    std::vector<char> out(size_t(bytes.size()) * 2 + 8);
    char* src = const_cast<char*>(bytes.constData());
    size_t srcLeft = size_t(bytes.size());
    while (srcLeft > 0) {
        char* dst = out.data();
        size_t dstLeft = out.size();
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(out.data()), (dst - out.data()) / 2);
        if (r == (size_t)-1 && srcLeft > 0) {
            text += QChar(0xFFFD);
            ++src, --srcLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return text;
}

}  // namespace

TEST(GbkTables, EveryCharacterOfThePlaneEncodesAsIconvEncodesIt) {
    int wrong = 0, encodable = 0;
    for (int u = 1; u < 0x10000; ++u) {
        const QString text{QChar(char16_t(u))};
        const std::optional<QByteArray> want = IconvGbk(text);
        encodable += want.has_value();
        if (textcodec::toGbk(text) != want) ++wrong, ADD_FAILURE() << "U+" << std::hex << u;
        if (wrong > 10) break;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(encodable, 20000);  // the code page's characters, not a table that lost them
}

TEST(GbkTables, EveryByteAndBytePairDecodesAsIconvDecodesIt) {
    int wrong = 0;
    for (int a = 0; a < 256 && wrong <= 10; ++a) {
        const QByteArray one(1, char(a));
        if (textcodec::fromGbk(one) != IconvText(one)) ++wrong, ADD_FAILURE() << std::hex << a;
        for (int b = 0; b < 256; ++b) {
            const QByteArray two = one + char(b);
            if (textcodec::fromGbk(two) != IconvText(two)) ++wrong, ADD_FAILURE() << std::hex << a << " " << b;
        }
    }
    // Random strings mixing plain, lead, trail and stray bytes.
    std::mt19937 rng(936);
    for (int i = 0; i < 20000 && wrong <= 10; ++i) {
        QByteArray bytes(int(rng() % 9), '\0');
        for (char& c : bytes) c = char(rng() % 4 ? 0x80 + rng() % 128 : rng() % 128);
        if (textcodec::fromGbk(bytes) != IconvText(bytes)) ++wrong, ADD_FAILURE() << bytes.toHex().constData();
        const QString text = IconvText(bytes);
        if (textcodec::toGbk(text) != IconvGbk(text)) ++wrong, ADD_FAILURE() << bytes.toHex().constData();
    }
    EXPECT_EQ(wrong, 0);
}

TEST(TextCodec, EveryThreadConvertsWithItsOwnConverterFromAFreshState) {
    // Texts that leave a converter mid-way (a character GBK lacks, a cut lead byte) come between the
    // others, on several threads at once.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xB5");
    auto round = [&] {
        int wrong = 0;
        for (int i = 0; i < 300; ++i) {
            wrong += textcodec::toGbk("领唱") != QByteArray::fromHex("C1ECB3AA");
            wrong += textcodec::toGbk("a" + emoji + "b").has_value();
            wrong += textcodec::fromGbk(QByteArray::fromHex("C1")) != QString(QChar(0xFFFD));
            wrong += textcodec::fromGbk(QByteArray::fromHex("C1ECB3AA41")) != "领唱A";
            wrong += textcodec::gbkLength("春|风") != 5;
            wrong += textcodec::toGbkFitting("领" + emoji + "唱", 4) != QByteArray::fromHex("C1EC3F");
        }
        return wrong;
    };
    std::vector<std::future<int>> runs;
    for (int t = 0; t < 4; ++t) runs.push_back(std::async(std::launch::async, round));
    for (auto& r : runs) EXPECT_EQ(r.get(), 0);
    EXPECT_EQ(round(), 0);
}
