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
    int16_t octave = 7;  // an item mark changes nothing
    EXPECT_EQ(PitchToDigitInBar(5, octave, sign, bar) + sign + QString::number(octave), "keep7");
}

TEST(PitchToDigitInBar, AnAccidentalInForceIsNotRepeatedAndANaturalCancelsIt) {
    // Pitches converted in one bar, and the signs they get ("." for none).
    struct Case { std::vector<int> pitches; QString signs, state; };
    const Case cases[] = {
        {{66, 65}, "ts", "      "}, {{66, 66}, "t.", "   t   "}, {{66, 65, 66, 65}, "tsts", "       "},
        {{63, 63, 64, 76}, "r.s.", "       "},  // the natural cleared degree 3 in every octave
        {{54, 66}, "t.", "   t   "}, {{65, 67, 70}, "..r", "      r"},
    };
    for (const Case& c : cases) {
        QString bar = typeset::FreshBarAccidentals(), signs;
        for (int pitch : c.pitches) {
            QString sign;
            int16_t octave = 0;
            PitchToDigitInBar(pitch, octave, sign, bar);
            signs += sign.isEmpty() ? "." : sign;
        }
        EXPECT_EQ(signs, c.signs) << c.signs.toStdString();
        EXPECT_EQ(bar, c.state.leftJustified(7)) << c.signs.toStdString();
    }
    QString bar = "t", sign;  // a damaged state counts as a fresh bar
    int16_t octave = 0;
    PitchToDigitInBar(61, octave, sign, bar);
    EXPECT_EQ(sign + bar, "tt      ");
}
