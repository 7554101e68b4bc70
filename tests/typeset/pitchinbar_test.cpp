#include <gtest/gtest.h>

#include <vector>

#include "typeset/pitchinbar.h"

using typeset::PitchToDigitInBar;

TEST(PitchToDigitInBar, GivesTheDigitOctaveAndSignOfEveryKindOfPitch) {
    struct Case { int pitch; const char* digit; int octave; const char* sign; };
    const Case cases[] = {{60, "1", 0, ""},  {61, "1", 0, "t"}, {70, "7", 0, "r"}, {72, "1", 1, ""},
                          {59, "7", -1, ""}, {21, "6", -4, ""}, {108, "1", 4, ""}, {19, "0", 0, ""},
                          {20, "X", 0, ""}};
    for (const Case& c : cases) {
        QString bar = typeset::FreshBarAccidentals(), sign = "?";
        int16_t octave = 99;
        EXPECT_EQ(PitchToDigitInBar(c.pitch, octave, sign, bar), c.digit) << c.pitch;
        EXPECT_EQ(octave, c.octave) << c.pitch;
        EXPECT_EQ(sign, c.sign) << c.pitch;
    }
    QString bar = typeset::FreshBarAccidentals(), sign = "keep";
    int16_t octave = 7;
    EXPECT_EQ(PitchToDigitInBar(5, octave, sign, bar), "");  // an item mark changes nothing
    EXPECT_EQ(octave, 7);
    EXPECT_EQ(sign, "keep");
}

TEST(PitchToDigitInBar, AnAccidentalInForceIsNotRepeatedAndANaturalCancelsIt) {
    // Each row: pitches converted in one bar, then the signs they get.
    struct Case { std::vector<int> pitches; std::vector<QString> signs; };
    const Case cases[] = {
        {{66, 65}, {"t", "s"}},
        {{66, 66}, {"t", ""}},
        {{66, 65, 66, 65}, {"t", "s", "t", "s"}},
        {{63, 63, 64, 76}, {"r", "", "s", ""}},  // the natural cleared degree 3 in every octave
        {{54, 66}, {"t", ""}},
        {{65, 67, 60}, {"", "", ""}},
    };
    for (const Case& c : cases) {
        QString bar = typeset::FreshBarAccidentals();
        for (size_t i = 0; i < c.pitches.size(); ++i) {
            QString sign;
            int16_t octave = 0;
            PitchToDigitInBar(c.pitches[i], octave, sign, bar);
            EXPECT_EQ(sign, c.signs[i]) << "pitch " << c.pitches[i] << " at " << i;
        }
        EXPECT_EQ(bar.size(), 7);
    }
    QString bar = "t", sign;  // a damaged state counts as a fresh bar
    int16_t octave = 0;
    PitchToDigitInBar(61, octave, sign, bar);
    EXPECT_EQ(sign, "t");
    EXPECT_EQ(bar, "t      ");
}
