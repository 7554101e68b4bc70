// The title block's captions and places.
#include <gtest/gtest.h>

#include "document/songcodes.h"
#include "typeset/header.h"

using namespace typeset;

namespace {
HeaderInput Input() {
    HeaderInput in;
    in.Title = "[歌曲名]";
    in.Subtitle = "副";
    in.Lyricist = "甲";
    in.Composer = "乙";
    in.Singer = "丙";
    in.KeyItem = "C 调  (+0)";
    in.TimeSigCode = 4 + 32 * 3;
    in.TempoText = "80";
    in.TopMargin = in.LeftMargin = in.RightMargin = 57;
    in.PageWidth = 796;
    return in;
}
}  // namespace

TEST(PageHeader, Captions) {
    HeaderInput in = Input();
    HeaderLayout h = LayoutPageHeader(in);
    EXPECT_EQ(h[6].Caption, "1=C");
    EXPECT_EQ(h[11].Caption, "＝80");
    EXPECT_EQ(h[9].Caption, "_");
    EXPECT_EQ(h[2].Caption, "甲 词");
    EXPECT_EQ(h[3].Caption, "乙 曲");
    EXPECT_EQ(h[4].Caption, "丙 演唱");
    in.KeyItem = "bE调  (+3)";
    EXPECT_EQ(LayoutPageHeader(in)[6].Caption, "1=bE");
    in.TimeSigCode = 12 + 32 * 4;  // 12/8
    h = LayoutPageHeader(in);
    EXPECT_EQ(h[9].Caption, "__");
    EXPECT_EQ(h[7].Caption, "12");
    EXPECT_EQ(h[8].Width, h[7].Width);
    EXPECT_GT(h[8].Width, 0);
    in.TimeSigCode = 10 + 32 * 4;  // 10/8: short bar
    EXPECT_EQ(LayoutPageHeader(in)[9].Caption, "_");
}

TEST(PageHeader, Places) {
    HeaderInput in = Input();
    HeaderLayout h = LayoutPageHeader(in);
    EXPECT_EQ(h[0].Left, 350);
    const double tops[5] = {57, 86, 101, 114, 127};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(h[i].Top, tops[i]) << i;
    EXPECT_EQ(h[2].Left + h[2].Width, 796 - 57);
    EXPECT_EQ(h[6].Left, 57);
    EXPECT_DOUBLE_EQ(h[6].Top, 101 + 0.6 * 19);
    EXPECT_EQ(h[7].Left, 57 + h[6].Width);
    EXPECT_DOUBLE_EQ(h[8].Top, 101 + 1.2 * 19);
    EXPECT_EQ(h[10].Left, h[7].Left + 3 * h[9].Width);
    EXPECT_EQ(h[11].Left, h[10].Left + h[10].Width);
    in.Lyricist.clear();
    h = LayoutPageHeader(in);
    EXPECT_EQ(h[2].Caption, "");
    EXPECT_EQ(h[3].Top, 114);
}
