// The title block of the first page: twelve labels (0 title, 1 subtitle, 2 lyricist, 3 composer,
// 4 singer, 5 unused, 6 key, 7/8 time-signature numerator/denominator, 9 fraction bar, 10 tempo
// note glyph, 11 tempo) filled from the song and placed over page 0.
#pragma once

#include <QString>
#include <QRectF>
#include <array>
#include <vector>

#include "typeset/metrics.h"

namespace typeset {

constexpr int kHeaderLabels = 12;

// The page window's fonts of the header labels.
FontSpec HeaderLabelFont(int index);

struct HeaderInput {
    QString Title, Subtitle, Lyricist, Composer, Singer;
    QString KeyItem;        // the key list's text, e.g. "bE调  (+3)"
    int TimeSigCode = 0;    // the song's first time signature
    QString TempoText;      // the tempo box, e.g. "80"
    int32_t TopMargin = 0, LeftMargin = 0, RightMargin = 0;
    int32_t PageWidth = 0;  // width of the first page
};

struct HeaderLabel {
    QString Caption;
    double Left = 0, Top = 0;
    int Width = 0, Height = 0;
    bool Placed = true;  // false: the label keeps its place (label 5)
};
using HeaderLayout = std::array<HeaderLabel, kHeaderLabels>;

HeaderLayout LayoutPageHeader(const HeaderInput& in);
// The ink of the placed labels' captions on the page, in the page window's fonts.
std::vector<QRectF> TitleBlockInk(const HeaderLayout& h);

}  // namespace typeset
