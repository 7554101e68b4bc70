#include <gtest/gtest.h>

#include <tuple>

#include "platform/sortlist.h"
#include "platform/textcodec.h"
#include "platform/vbtext.h"

using namespace vb;

TEST(VbNumbers, RoundAndConversionsGoHalfToEven) {
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CLng(-1.5), -2);
    EXPECT_THROW(CInt(32767.6), Overflow);
    EXPECT_THROW(CLng(3e9), Overflow);
    EXPECT_EQ(Int(-1.5), -2);
    EXPECT_EQ(Fix(-1.5), -1);
}

TEST(VbNumbers, IntegerDivisionRoundsOperandsThenTruncates) {
    EXPECT_EQ(IDiv(7, 2), 3);
    EXPECT_EQ(IDiv(-7, 2), -3);
    EXPECT_EQ(IDiv(2.5, 1), 2);   // 2.5 rounds to 2 first
    EXPECT_EQ(IDiv(7.5, 2.5), 4); // 8 \ 2
    EXPECT_EQ(IDiv(150, 12), 12);
    EXPECT_EQ(Mod(-7, 3), -1);
    EXPECT_EQ(Mod(7.5, 3), 2);  // 8 Mod 3
    EXPECT_THROW(IDiv(1, 0.4), std::domain_error);
}

TEST(VbNumbers, FormatRoundsHalfAwayFromZeroAndPads) {
    const std::tuple<double, const char*, const char*> cases[] = {
        {2.5, "0", "3"},          {-2.5, "0", "-3"},          {-7, "000", "-007"},
        {96, "00000", "00096"},   {123456, "00000", "123456"}, {6, "0.000", "6.000"},
        {1.0005, "0.000", "1.001"}, {1.125, "000.000", "001.125"}, {-0.0001, "0.000", "0.000"},
    };
    for (auto [value, pattern, text] : cases) EXPECT_EQ(Format(value, pattern), text) << value << " " << pattern;
}

TEST(VbNumbers, FormatOfAWholeNumberWritesWhatFormatWrites) {
    const std::tuple<int64_t, int> cases[] = {
        {0, 1},      {7, 1},       {9, 3},          {-7, 3},          {96, 5},
        {99999, 5},  {123456, 5},  {-123456, 5},    {2147483647, 5},  {-2147483648LL, 5},
    };
    for (auto [value, width] : cases) {
        const QString pattern(width, QLatin1Char('0'));
        EXPECT_EQ(FormatWhole(value, width), Format(double(value), pattern)) << value << " " << width;
    }
    char16_t text[2 * kFormatWholeRoom];
    int n = FormatWholeInto(text, 3, 1);
    n += FormatWholeInto(text + n, -48, 5);
    EXPECT_EQ(QString(reinterpret_cast<const QChar*>(text), n), "3-00048");
}

TEST(VbNumbers, TextOfNumbers) {
    EXPECT_EQ(Str(12), " 12");
    EXPECT_EQ(Str(-3), "-3");
    const std::tuple<double, const char*, const char*> cases[] = {
        {0.5, " .5", "0.5"}, {-0.5, "-.5", "-0.5"}, {-0.001, "-.001", "-0.001"}, {92.5, " 92.5", "92.5"}};
    for (auto [value, str, cstr] : cases) {
        EXPECT_EQ(Str(value), str) << value;
        EXPECT_EQ(CStr(value), cstr) << value;
    }
    EXPECT_EQ(PrintNumber(-0.25), "-.25 ");
    EXPECT_EQ(PrintNumber(3), " 3 ");
}

TEST(VbNumbers, ValReadsTheLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"  12.5abc", 12.5}, {"abc", 0}, {"-3", -3},       {"1 2", 12},    {"1.5.3", 1.5},
        {"2e3x", 2000},      {"2e", 2},  {"&H10", 16},     {"&HFFFF", -1}, {"&O17", 15},
        {"", 0},             {".", 0},   {"+.5", 0.5},
    };
    for (auto [text, value] : cases) EXPECT_EQ(Val(text), value) << text;
}

TEST(VbText, StringFunctionsCountFromOne) {
    EXPECT_EQ(Len("领唱ab"), 4);
    EXPECT_EQ(Mid("00096我", 6), "我");
    EXPECT_EQ(Mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Mid("abc", 5, 1), "");
    EXPECT_EQ(Left("abc", 5), "abc");
    EXPECT_EQ(InStr("a|b|c", "|"), 2);
    EXPECT_EQ(InStr("a|b|c", "|", 3), 4);
    EXPECT_EQ(InStr("abc", "x"), 0);
    EXPECT_EQ(Trim("  a b \t "), "a b \t");
}

TEST(TextCodec, GbkRoundTripAndMissingCharacters) {
    auto bytes = textcodec::toGbk("领唱");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, QByteArray::fromHex("C1ECB3AA"));
    EXPECT_EQ(textcodec::fromGbk(*bytes), "领唱");
    EXPECT_EQ(textcodec::gbkLength("A领"), 3);
    // A character GBK lacks is reported, not silently changed.
    QString emoji = QString::fromUtf8("a\xF0\x9F\x8E\xB5");
    EXPECT_FALSE(textcodec::toGbk(emoji).has_value());
    EXPECT_FALSE(textcodec::canEncode(emoji));
    bool lossless = true;
    textcodec::toGbkFitting(emoji, 10, &lossless);
    EXPECT_FALSE(lossless);
}

TEST(TextCodec, FittingNeverSplitsACharacter) {
    EXPECT_EQ(textcodec::toGbkFitting("ab领唱", 5), QByteArray::fromHex("6162C1EC"));
    EXPECT_EQ(textcodec::toGbkFitting("ab领唱", 6), QByteArray::fromHex("6162C1ECB3AA"));
    // A lone lead byte in a file reads as a replacement character, never past the data.
    EXPECT_EQ(textcodec::fromGbk(QByteArray::fromHex("41C1")), QString("A") + QChar(0xFFFD));
}

TEST(SortList, OrdersLikeTheListControl) {
    SortList l;
    l.AddItem("00096b");
    l.AddItem("00012z");
    l.AddItem("00096a");
    l.AddItem("B");
    l.AddItem("a");
    l.AddItem("A");
    ASSERT_EQ(l.ListCount(), 6);
    EXPECT_EQ(l.List(0), "00012z");
    EXPECT_EQ(l.List(2), "00096b");
    // Case-insensitive first: "a" and "A" both before "B".
    EXPECT_EQ(l.List(5), "B");
    EXPECT_EQ(l.List(3).toUpper(), "A");
    // Digit keys sort as numbers only while they have the same width.
    SortList w;
    w.AddItem("100000x");
    w.AddItem("99999x");
    EXPECT_EQ(w.List(0), "100000x");
    w.RemoveItem(0);
    EXPECT_EQ(w.ListCount(), 1);
}
