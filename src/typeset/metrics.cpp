#include "typeset/metrics.h"

#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <algorithm>

#include "document/texthelpers.h"
#include "platform/surface.h"
#include "platform/vbtext.h"

namespace typeset {

bool IsDesignFont(const QString& name) {
    return name == QStringLiteral("宋体") || name == QStringLiteral("黑体");
}

QSize LabelTextSize(const FontSpec& font, const QString& caption) {
    const int px = vb::ScreenFontPixels(font.Size);
    if (IsDesignFont(font.Name)) {
        const double halfWidths = doc::MeasureTextWidth(caption);
        return QSize(int(vb::Round(halfWidths * px / 2.0)), px);
    }
    const QFontMetrics fm(vb::ScreenFont(font.Name, font.Size, font.Bold, font.Italic));
    return QSize(fm.horizontalAdvance(caption), fm.height());
}

QRectF TextInkIn(const FontSpec& font, const QString& text, int fromColumn, int toColumn) {
    static QHash<QString, QRectF> cache;
    const QString key = font.Name + QChar(0x1f) + QString::number(font.Size) + (font.Bold ? QChar('b') : QChar('-')) +
                        (font.Italic ? QChar('i') : QChar('-')) + QChar(0x1f) + QString::number(fromColumn) +
                        QChar(0x1f) + QString::number(toColumn) + QChar(0x1f) + text;
    const auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;
    // Drawn as the page draws it, with the box's top-left corner on a whole pixel; a pixel of a
    // quarter coverage or more counts as ink.
    const QFont f = vb::ScreenFont(font.Name, font.Size, font.Bold, font.Italic);
    const QFontMetrics m(f);
    const int pad = m.height();
    QImage img(m.horizontalAdvance(text) + 4 * pad, 3 * pad, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setFont(f);
        p.setPen(Qt::black);
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        p.drawStaticText(QPointF(2 * pad, pad), st);
    }
    const int from = std::max(0, fromColumn + 2 * pad), to = std::min(img.width(), toColumn + 2 * pad);
    int x0 = img.width(), y0 = img.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = from; x < to; ++x)
            if (qAlpha(line[x]) >= 64) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    // Pixel columns and rows x0..x1, y0..y1 hold ink: the rectangle runs to the far edges of the last ones.
    const QRectF ink = x1 < 0 ? QRectF() : QRectF(x0 - 2 * pad, y0 - pad, x1 - x0 + 1, y1 - y0 + 1);
    if (cache.size() < 8192) cache.insert(key, ink);
    return ink;
}

QRectF TextInk(const FontSpec& font, const QString& text) {
    return TextInkIn(font, text, -(1 << 20), 1 << 20);
}

}  // namespace typeset
