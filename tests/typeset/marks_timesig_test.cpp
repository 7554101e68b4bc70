#include <gtest/gtest.h>

#include "document/songcodes.h"
#include "marks_testing.h"

using namespace markstest;
using namespace typeset;

TEST(TimeSignatureMarks, AFractionOnEveryRowAtTheFirstBeatOfTheChange) {
    MarkStyle st = Style();
    st.PartRowHeight = 70, st.PartRowGap = 10;  // p 80
    vb::RecordingSurface page0, page1;
    const PageSurfaces pages = [&](int k) -> vb::Surface* { return k == 0 ? &page0 : k == 1 ? &page1 : nullptr; };
    DrawTimeSignaturesPage(pages, st, 2,
                           {{384, doc::TimeSigTextToCode("3/4")}, {768, doc::TimeSigTextToCode("12/8")},
                            {500, doc::TimeSigTextToCode("2/4")}},  // no beat starts at 500
                           {{0, 300, 500, 0, 384}, {1, 320, 90, 0, 384}, {1, 200, 90, 0, 768}});
    EXPECT_EQ(At(page0, "_", true), "306.5,500 306.5,580");
    EXPECT_EQ(At(page0, " 3 ", true), "306.5,488 306.5,568");
    EXPECT_EQ(At(page0, " 4 ", true), "306.5,512 306.5,592");
    EXPECT_EQ(Texts(Prints(page1)), "_  12   8  _  12   8 ");  // 12/8: everything at the beat's edge
    EXPECT_EQ(At(page1, " 8 "), "200 200");
    EXPECT_EQ(Prints(page1)[0].font, "Qelto");
}

TEST(TimeSignatureMarks, OddTicksRoundUpUnlessTheyAreTupletTicks) {
    for (auto [in, out] : {std::pair{47, 48}, {35, 36}, {49, 50}, {-1, 0}, {45, 45}, {51, 51}, {16, 16}, {0, 0},
                           {2147483647, 2147483647}}) {
        int32_t v = in;
        RoundOddUpUnlessTuplet(v);
        EXPECT_EQ(v, out) << in;
    }
}
