#include "typeset/markerpictures.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace typeset {

QImage LoopMarkerPicture(bool start, int height) {
    const int h = std::max(height, 16), w = kLoopMarkerWidth;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kLoopMarkerColour));
    // Drawn as the start bracket "[▶" and mirrored for the end "◀]".
    const int mid = h / 2;
    const QPolygon arrow({QPoint(4, mid - 5), QPoint(4, mid + 5), QPoint(11, mid)});
    p.drawRect(0, 0, 2, h);
    p.drawRect(0, 0, 7, 2);
    p.drawRect(0, h - 2, 7, 2);
    p.drawPolygon(arrow);
    p.end();
    return start ? image : image.mirrored(true, false);
}

}  // namespace typeset
