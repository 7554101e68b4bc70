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

TEST(PitchToDigitInBar, AnAccidentalHoldsForTheSamePitchAndANaturalCancelsIt) {
    // Pitches converted in one bar, and the signs they get ("." for none).
    struct Case { std::vector<int> pitches; QString signs; };
    const Case cases[] = {
        {{66, 65}, "ts"}, {{66, 66}, "t."}, {{66, 65, 66, 65}, "tsts"},
        {{63, 63, 64, 75, 76}, "r.srs"},         // the flat of E4 does not reach E5
        {{66, 78, 78}, "tt."}, {{54, 66}, "tt"},  // a sharp holds in its own octave only
        {{66, 77, 65}, "t.s"},                    // F5 is not cancelled by F#4, F4 is
        {{65, 67, 70}, "..r"}, {{21, 33, 22, 22}, "..r."},
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
        EXPECT_EQ(bar.size(), 63);
    }
    QString bar = "t", sign;  // a damaged state counts as a fresh bar
    int16_t octave = 0;
    PitchToDigitInBar(61, octave, sign, bar);
    EXPECT_EQ(sign, "t");
    EXPECT_EQ(bar, typeset::FreshBarAccidentals().replace(4 * 7, 1, "t"));
}
