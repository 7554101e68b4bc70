#include "typeset/metrics.h"

#include <QFontMetrics>

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

}  // namespace typeset
