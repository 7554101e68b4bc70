// Note-cell widths, part-name widths, rest spans cut at line starts, category fonts and page clicks.
#include <gtest/gtest.h>

#include "support/songs.h"
#include "typeset/fonts.h"
#include "typeset/measures.h"
#include "typeset/pageclick.h"

using namespace typeset;

TEST(NoteCellWidth, DigitCellTimesDurationFactor) {
    const int cases[][2] = {{48, 26}, {24, 20}, {12, 16}, {6, 13},   {0, 13},   {36, 39},   {72, 52},
                            {18, 18}, {16, 13}, {32, 17}, {60, 42}, {120, 78}, {192, 104}};
    for (auto& c : cases) EXPECT_EQ(GetNoteCellWidth(c[0], 13), c[1]) << c[0];
    EXPECT_EQ(GetNoteCellWidth(24, 15), 22);
    // 1.15 × 10 and 1.15 × 50 are exact halves in single precision: they round to even.
    const int halves[][3] = {{9, 10, 12}, {9, 50, 58}, {9, 13, 15}};
    for (auto& c : halves) EXPECT_EQ(GetNoteCellWidth(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(PartNameWidth, WidestShownName) {
    auto song = testsongs::NewSong();
    const FontSpec font{"黑体", 14.25, true};
    QString last;
    EXPECT_EQ(GetMaxPartNameWidth(*song, font, &last), 38);  // two full-width characters at 19 px
    EXPECT_EQ(last, song->Parts[5].Name);
    song->Parts[2].Name = "女高音声部";
    EXPECT_EQ(GetMaxPartNameWidth(*song, font), 95);
    song->Parts[2].ShowInScore = 0;
    EXPECT_EQ(GetMaxPartNameWidth(*song, font), 38);
    for (int p = 1; p <= 5; ++p) song->Parts[p].ShowInScore = 0;
    EXPECT_EQ(GetMaxPartNameWidth(*song, font), 0);
}

TEST(SpanSplit, CutAtEveryLineStartInside) {
    LineTable lines;
    lines.Starts = {0, 384, 768, 1152, 1536};
    lines.LastSystem = 3;
    struct Case {
        int s, e;
        QStringList items;
    } cases[] = {
        {300, 800, {RestItem(300, 384), RestItem(384, 768), RestItem(768, 800)}},
        {1000, 1300, {RestItem(1000, 1152), RestItem(1152, 1300)}},
        {400, 768, {RestItem(400, 768)}},
        {384, 500, {RestItem(384, 500)}},
    };
    for (const Case& c : cases) {
        SortList list;
        AddSpanSplitAtLines(list, c.s, c.e, lines);
        EXPECT_EQ(list.items(), c.items) << c.s;
    }
    EXPECT_EQ(RestItem(300, 384), "0030001900384" "9999");
}

TEST(CategoryFonts, SettersCopyTheirSamples) {
    CategoryFonts f;
    f.Samples = {{{"宋体", 21.75}, {"宋体", 12}, {"黑体", 18, true}, {"黑体", 14.25, true},
                  {"楷体", 13}, {"宋体", 10.5}, {"宋体", 10.5}}};
    vb::RecordingSurface page, printer;
    SetDigitFont(page, f);
    SetNotationFont(page, f);
    EXPECT_EQ(page.FontName(), "Qelto");
    EXPECT_EQ(page.FontSize(), 18);
    EXPECT_TRUE(page.FontBold());  // a bold digit sample gives bold notation glyphs
    SetItalicExpressionFont(page, f);
    EXPECT_EQ(page.FontName(), "宋体");
    EXPECT_EQ(page.FontSize(), 13);
    EXPECT_TRUE(page.FontItalic());
    EXPECT_FALSE(page.FontBold());
    SetNotationFont(page, f);
    EXPECT_FALSE(page.FontItalic());  // not slanted after a dynamic
    SetPartNameFont(printer, f);
    EXPECT_EQ(printer.FontName(), "黑体");
    EXPECT_EQ(printer.FontSize(), 14.25);
    EXPECT_EQ(page.FontName(), "Qelto");
    SetLyricFont(printer, f);
    EXPECT_EQ(printer.FontSize(), 12);
    SetExpressionFont(printer, f);
    EXPECT_EQ(printer.FontName(), "楷体");
}

TEST(PageClicks, HitTestRowsAndAltTargets) {
    std::vector<BeatBox> boxes{{0, 100, 50, 40, 0}, {0, 140, 50, 40, 48}, {1, 100, 50, 40, 96}};
    EXPECT_EQ(HitBeatBox(boxes, 0, 140, 60), 0);
    EXPECT_EQ(HitBeatBox(boxes, 0, 141, 60), 1);
    EXPECT_EQ(HitBeatBox(boxes, 0, 100, 60), -1);
    EXPECT_EQ(HitBeatBox(boxes, 0, 120, 50), -1);
    EXPECT_EQ(HitBeatBox(boxes, 1, 500, 500), 2);
    // Rows of 52 + 5: the third row of a two-row system selects the last row's part.
    EXPECT_EQ(ClickRow(boxes[0], 50 + 2 * 57 + 10, 52, 5, 2), 1);
    EXPECT_EQ(RowPart("31", ClickRow(boxes[0], 50 + 2 * 57 + 10, 52, 5, 2)), 1);
    EXPECT_EQ(RowPart("31", ClickRow(boxes[0], 51, 52, 5, 2)), 3);
    EXPECT_EQ(AltClickTick(boxes, 0, 120, 999), 0);
    EXPECT_EQ(AltClickTick(boxes, 0, 121, 999), 48);
    EXPECT_EQ(AltClickTick(boxes, 2, 121, 999), 999);  // past the last box: the song's end
    EXPECT_EQ(DecidePageClick(1, 4), PageClick::Alt);
    EXPECT_EQ(DecidePageClick(2, 4), PageClick::Alt);
    EXPECT_EQ(DecidePageClick(1, 5), PageClick::Plain);
    EXPECT_EQ(DecidePageClick(2, 0), PageClick::PlayStop);
    EXPECT_EQ(DecidePageClick(4, 0), PageClick::None);
    EXPECT_EQ(MarkerCentreY(600, 20), 290);
    EXPECT_EQ(MarkerCentreY(601, 162), 220);
    EXPECT_EQ(StripScrollMax(1000, 1200), 0);
    EXPECT_EQ(StripScrollMax(1200, 1000), 200);
}
