#include <gtest/gtest.h>

#include "document/songcodes.h"
#include "marks_testing.h"

using namespace markstest;
using namespace typeset;

TEST(TimeSignatureMarks, AFractionOnEveryRowAtTheFirstBeatOfTheChange) {
    MarkStyle st = Style();
    st.PartRowHeight = 70;
    st.PartRowGap = 10;  // p 80
    vb::RecordingSurface page0, page1;
    const PageSurfaces pages = [&](int k) -> vb::Surface* { return k == 0 ? &page0 : k == 1 ? &page1 : nullptr; };
    const std::vector<BeatPlace> beats = {{0, 100, 500, 0}, {0, 300, 500, 384}, {1, 320, 90, 384},
                                          {1, 200, 90, 768}};
    const std::vector<MeterChange> changes = {{384, doc::TimeSigTextToCode("3/4")},
                                              {768, doc::TimeSigTextToCode("12/8")},
                                              {500, doc::TimeSigTextToCode("2/4")}};  // no beat there
    DrawTimeSignaturesPage(pages, st, 2, changes, beats);
    struct Case { QString text; double x, y; };
    const std::vector<Case> want0 = {{"_", 306.5, 500}, {" 3 ", 306.5, 488}, {" 4 ", 306.5, 512},
                                     {"_", 306.5, 580}, {" 3 ", 306.5, 568}, {" 4 ", 306.5, 592}};
    const auto got0 = Prints(page0);
    ASSERT_EQ(got0.size(), want0.size());
    for (size_t i = 0; i < got0.size(); ++i) {
        EXPECT_EQ(got0[i].text, want0[i].text) << i;
        EXPECT_EQ(got0[i].x, want0[i].x) << i;
        EXPECT_EQ(got0[i].y, want0[i].y) << i;
        EXPECT_EQ(got0[i].font, "Qelto");
    }
    EXPECT_EQ(Texts(Prints(page1)), "_  12   8  _  12   8 ");  // 12/8: everything at the beat's edge
    EXPECT_EQ(Xs(Prints(page1)), std::vector<double>(6, 200));
}

TEST(TimeSignatureMarks, OddTicksRoundUpUnlessTheyAreTupletTicks) {
    struct Case { int32_t in, out; };
    for (const Case c : {Case{47, 48}, {35, 36}, {49, 50}, {-1, 0}, {45, 45}, {51, 51}, {16, 16}, {0, 0},
                         {2147483647, 2147483647}}) {
        int32_t v = c.in;
        RoundOddUpUnlessTuplet(v);
        EXPECT_EQ(v, c.out) << c.in;
    }
}
