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

namespace {

struct InkKey {
    FontSpec Font;
    int From, To;
    QString Text;
    bool operator==(const InkKey&) const = default;
};

size_t qHash(const InkKey& k, size_t seed = 0) {
    return qHashMulti(seed, k.Text, k.Font.Name, k.Font.Size, k.Font.Bold, k.Font.Italic, k.From, k.To);
}

// Measured inks are kept per thread; a text's ink never changes while the fonts stay installed.
constexpr qsizetype kInkCacheLimit = 1 << 16;

}  // namespace

QRectF TextInkIn(const FontSpec& font, const QString& text, int fromColumn, int toColumn) {
    thread_local QHash<InkKey, QRectF> cache;
    thread_local QImage scratch;
    InkKey key{font, fromColumn, toColumn, text};
    const auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;
    // Drawn as the page draws it, with the box's top-left corner on a whole pixel; a pixel of a
    // quarter coverage or more counts as ink. The text's own box (the pad around its advance) is
    // drawn into the top-left corner of one reused image, cleared there first, and only that box
    // is read, so what lies beyond it from earlier texts never counts.
    const QFont f = vb::ScreenFont(font.Name, font.Size, font.Bold, font.Italic);
    const QFontMetrics m(f);
    const int pad = m.height();
    const int width = m.horizontalAdvance(text) + 4 * pad, height = 3 * pad;
    if (width <= 0 || height <= 0) return QRectF();
    if (scratch.width() < width || scratch.height() < height)
        scratch = QImage(std::max(width, scratch.width()), std::max(height, scratch.height()),
                         QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) std::fill_n(reinterpret_cast<QRgb*>(scratch.scanLine(y)), width, QRgb(0));
    {
        QPainter p(&scratch);
        p.setFont(f);
        p.setPen(Qt::black);
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        p.drawStaticText(QPointF(2 * pad, pad), st);
    }
    const int from = std::max(0, fromColumn + 2 * pad), to = std::min(width, toColumn + 2 * pad);
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        int first = -1, last = -1;
        for (int x = from; x < to; ++x)
            if (qAlpha(line[x]) >= 64) {
                first = x;
                break;
            }
        if (first < 0) continue;
        for (int x = to - 1; x >= first; --x)
            if (qAlpha(line[x]) >= 64) {
                last = x;
                break;
            }
        x0 = std::min(x0, first), x1 = std::max(x1, last), y0 = std::min(y0, y), y1 = y;
    }
    // Pixel columns and rows x0..x1, y0..y1 hold ink: the rectangle runs to the far edges of the last ones.
    const QRectF ink = x1 < 0 ? QRectF() : QRectF(x0 - 2 * pad, y0 - pad, x1 - x0 + 1, y1 - y0 + 1);
    if (cache.size() >= kInkCacheLimit) cache.clear();
    cache.insert(std::move(key), ink);
    return ink;
}

QRectF TextInk(const FontSpec& font, const QString& text) {
    return TextInkIn(font, text, -(1 << 20), 1 << 20);
}

}  // namespace typeset
