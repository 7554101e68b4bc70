#include <gtest/gtest.h>

#include "document/songcodes.h"
#include "document/texthelpers.h"

using namespace doc;

TEST(TimeSignatureCodes, TextAndCodeBothWays) {
    // Numerator clamped to 1..31, a denominator that is no power of two read as a quarter.
    const std::pair<const char*, int> cases[] = {{"4/4", 100}, {"6/8", 134}, {"2/2", 66},  {"3/4", 99},
                                                 {"4/1", 36},  {"5/16", 165}, {"7/3", 103}, {"40/4", 127},
                                                 {"3/5", 99},  {"0/4", 97},   {"-2/8", 129}};
    for (auto [text, code] : cases) EXPECT_EQ(TimeSigTextToCode(text), code) << text;
    for (auto [text, code] : {std::pair{"6/8", 134}, {"5/16", 165}, {"4/1", 36}})
        EXPECT_EQ(TimeSigCodeToText(code), text);
    EXPECT_EQ(TimeSigCodeToText(6 * 32 + 5), "5/4");  // k = 6 has no denominator of its own
    EXPECT_EQ(BeatTicks(134), 24);
    EXPECT_EQ(BarTicks(134), 144);
    EXPECT_EQ(BarTicks(165), 60);
}

TEST(KeyNames, MarkerAndHeaderTexts) {
    EXPECT_EQ(KeyName(10), QString::fromUtf8("bB调  (+10)"));
    EXPECT_EQ(KeyMarkerCaption(-3), QString::fromUtf8("低A "));
    EXPECT_EQ(KeyMarkerCaption(1), "#C");
    EXPECT_EQ(KeyShortName(3), "bE");
}

TEST(TextHelpers, MeasureAndReplaceAll) {
    EXPECT_EQ(MeasureTextWidth("abc"), 3);
    EXPECT_EQ(MeasureTextWidth(QString::fromUtf8("第1段")), 5);  // full-width characters count two
    const char* cases[][4] = {{"我--们", "-", "", "我们"},         // adjacent matches both go
                              {"第&p页，共&p页", "&p", "12", "第12页，共12页"},
                              {"aba", "a", "aa", "aabaa"},         // the replacement is not searched again
                              {"abc", "", "x", "abc"}};
    for (auto& c : cases) {
        QString t = QString::fromUtf8(c[0]);
        ReplaceAll(t, QString::fromUtf8(c[1]), QString::fromUtf8(c[2]));
        EXPECT_EQ(t, QString::fromUtf8(c[3])) << c[0];
    }
}
