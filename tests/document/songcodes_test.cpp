#include <gtest/gtest.h>

#include "document/songcodes.h"
#include "document/texthelpers.h"

using namespace doc;

TEST(TimeSignatureCodes, TextToCodeClampsNumeratorAndDefaultsDenominatorToQuarter) {
    EXPECT_EQ(TimeSigTextToCode("4/4"), 100);
    EXPECT_EQ(TimeSigTextToCode("6/8"), 134);
    EXPECT_EQ(TimeSigTextToCode("2/2"), 66);
    EXPECT_EQ(TimeSigTextToCode("3/4"), 99);
    EXPECT_EQ(TimeSigTextToCode("4/1"), 36);
    EXPECT_EQ(TimeSigTextToCode("5/16"), 165);
    EXPECT_EQ(TimeSigTextToCode("7/3"), 103);   // read as 7/4
    EXPECT_EQ(TimeSigTextToCode("40/4"), 127);  // 31/4
    EXPECT_EQ(TimeSigTextToCode("3/5"), TimeSigTextToCode("3/4"));
}

TEST(TimeSignatureCodes, CodeToTextAndParts) {
    EXPECT_EQ(TimeSigCodeToText(100), "4/4");
    EXPECT_EQ(TimeSigCodeToText(134), "6/8");
    EXPECT_EQ(TimeSigCodeToText(165), "5/16");
    EXPECT_EQ(TimeSigCodeToText(36), "4/1");
    // k = 6 is no denominator of its own: a quarter.
    EXPECT_EQ(TimeSigCodeToText(6 * 32 + 5), "5/4");
    EXPECT_EQ(GetTimeSigNumerator(127), 31);
    EXPECT_EQ(GetTimeSigDenominator(66), 2);
    EXPECT_EQ(BeatTicks(134), 24);
    EXPECT_EQ(BarTicks(134), 144);
    EXPECT_EQ(BarTicks(165), 60);
}

TEST(KeyNames, MarkerAndHeaderTexts) {
    EXPECT_EQ(KeyName(0), QString::fromUtf8("C 调  (+0)"));
    EXPECT_EQ(KeyName(10), QString::fromUtf8("bB调  (+10)"));
    EXPECT_EQ(KeyMarkerCaption(-3), QString::fromUtf8("低A "));
    EXPECT_EQ(KeyMarkerCaption(1), "#C");
    EXPECT_EQ(KeyShortName(0), "C");
    EXPECT_EQ(KeyShortName(3), "bE");
}

TEST(TextHelpers, MeasureIsHalfWidthUnits) {
    EXPECT_EQ(MeasureTextWidth("abc"), 3);
    EXPECT_EQ(MeasureTextWidth(QString::fromUtf8("我们")), 4);
    EXPECT_EQ(MeasureTextWidth(QString::fromUtf8("第1段")), 5);
    EXPECT_EQ(MeasureTextWidth(""), 0);
}

TEST(TextHelpers, ReplaceAllReplacesEveryOccurrence) {
    QString t = QString::fromUtf8("我--们");
    ReplaceAll(t, "-", "");
    EXPECT_EQ(t, QString::fromUtf8("我们"));  // adjacent dashes both go
    t = "a-b-c---";
    ReplaceAll(t, "-", "");
    EXPECT_EQ(t, "abc");
    t = QString::fromUtf8("第&p页，共&p页");
    ReplaceAll(t, "&p", "12");
    EXPECT_EQ(t, QString::fromUtf8("第12页，共12页"));
    // A replacement holding the sought text is not replaced again.
    t = "aba";
    ReplaceAll(t, "a", "aa");
    EXPECT_EQ(t, "aabaa");
    t = "abc";
    ReplaceAll(t, "", "x");
    EXPECT_EQ(t, "abc");
    ReplaceAll(t, "b", "b");
    EXPECT_EQ(t, "abc");
}
