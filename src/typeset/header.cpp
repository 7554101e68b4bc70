#include "typeset/header.h"

#include "document/songcodes.h"
#include "platform/vbtext.h"

namespace typeset {

FontSpec HeaderLabelFont(int index) {
    const QString song = QStringLiteral("宋体");
    switch (index) {
    case 0: return {song, 18};
    case 1: return {song, 11.25};
    case 2:
    case 3:
    case 4: return {song, 9.75};
    case 10: return {kNotationFont, 14.25};
    default: return {song, 14.25};
    }
}

HeaderLayout LayoutPageHeader(const HeaderInput& in) {
    HeaderLayout h;
    auto line = [](const QString& field, const char* suffix) {
        return field.isEmpty() ? QString() : field + QString::fromUtf8(suffix);
    };
    h[0].Caption = in.Title;
    h[1].Caption = in.Subtitle;
    h[2].Caption = line(in.Lyricist, " 词");
    h[3].Caption = line(in.Composer, " 曲");
    h[4].Caption = line(in.Singer, " 演唱");
    h[6].Caption = QStringLiteral("1=") + vb::Trim(vb::Left(in.KeyItem, 2));
    const int n = doc::GetTimeSigNumerator(in.TimeSigCode);
    const int d = doc::GetTimeSigDenominator(in.TimeSigCode);
    h[7].Caption = QString::number(n);
    h[8].Caption = QString::number(d);
    h[10].Caption = QStringLiteral("q");
    h[11].Caption = QStringLiteral("＝") + in.TempoText;
    const bool longBar = n > 10 || d > 10;
    h[9].Caption = longBar ? QStringLiteral("__") : QStringLiteral("_");
    for (int i = 0; i < kHeaderLabels; ++i) {
        const QSize s = LabelTextSize(HeaderLabelFont(i), h[i].Caption);
        h[i].Width = s.width();
        h[i].Height = s.height();
    }
    if (longBar) {
        if (h[8].Width >= h[7].Width)
            h[7].Width = h[8].Width;
        else
            h[8].Width = h[7].Width;
    }

    const double W = in.PageWidth;
    auto R = [](double x) { return double(vb::Round(x)); };
    h[0].Left = (W - h[0].Width) / 2;
    h[0].Top = in.TopMargin;
    const double y1 = R(h[0].Height * 1.2 + in.TopMargin);
    h[1].Left = (W - h[1].Width) / 2;
    h[1].Top = y1;
    const double y2 = R(y1 + h[1].Height);
    const double y3 = R(y2 + h[2].Height);
    const double y4 = R(y3 + h[3].Height);
    for (int i = 2; i <= 4; ++i) h[i].Left = W - h[i].Width - in.RightMargin;
    h[2].Top = y2;
    h[3].Top = y3;
    h[4].Top = y4;
    const double H6 = h[6].Height;
    h[6].Left = in.LeftMargin;
    h[6].Top = y2 + 0.6 * H6;
    const double x1 = R(h[6].Width + in.LeftMargin);
    h[7].Left = x1;
    h[7].Top = y2;
    h[8].Left = x1;
    h[8].Top = y2 + 1.2 * H6;
    h[9].Left = x1;
    h[9].Top = y2 + 0.1 * H6;
    const double x2 = R(h[9].Width * 3.0 + x1);
    h[10].Left = x2;
    h[10].Top = h[6].Top;
    h[11].Left = R(x2 + h[10].Width);
    h[11].Top = h[6].Top;
    h[5].Placed = false;
    return h;
}

std::vector<QRectF> TitleBlockInk(const HeaderLayout& h) {
    std::vector<QRectF> out;
    for (int i = 0; i < kHeaderLabels; ++i) {
        if (!h[i].Placed || h[i].Caption.isEmpty()) continue;
        const QRectF ink = TextInk(HeaderLabelFont(i), h[i].Caption);
        if (!ink.isNull()) out.push_back(ink.translated(vb::Round(h[i].Left), vb::Round(h[i].Top)));
    }
    return out;
}

}  // namespace typeset
