// Shapes and lines.

#include "platform/controls.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "platform/controls_internal.h"

namespace vb {

using controls_internal::whole;

// ---------------------------------------------------------------------------------------------
// Shape and LineControl

class ShapeWidget : public QWidget {
public:
    ShapeWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }
    Shape* shape = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!shape) return;
        QPainter p(this);
        QRect r = rect();
        if (shape->backStyle_ == 1) p.fillRect(r, ToQColor(shape->BackColor()));
        if (shape->fillStyle_ == 0) p.fillRect(r, ToQColor(shape->fill_));
        int bw = shape->borderWidth_;
        if (bw > 0) {
            QColor c = ToQColor(shape->border_);
            p.fillRect(QRect(0, 0, r.width(), bw), c);
            p.fillRect(QRect(0, r.height() - bw, r.width(), bw), c);
            p.fillRect(QRect(0, 0, bw, r.height()), c);
            p.fillRect(QRect(r.width() - bw, 0, bw, r.height()), c);
        }
    }
};

Shape::Shape(QWidget* parent, const QString& name, int index) : Control(new ShapeWidget(parent), name, index) {
    static_cast<ShapeWidget*>(widget())->shape = this;
}
void Shape::SetBorderColor(Colour c) { border_ = c; widget()->update(); }
void Shape::SetBorderWidth(int w) { borderWidth_ = std::max(0, w); widget()->update(); }
void Shape::SetFillColor(Colour c) { fill_ = c; widget()->update(); }
void Shape::SetFillStyle(int s) { fillStyle_ = s == 0 ? 0 : 1; widget()->update(); }
void Shape::SetBackStyle(int s) { backStyle_ = s == 1 ? 1 : 0; widget()->update(); }
void Shape::SetBackColor(Colour c) { back_ = c; backSet_ = true; widget()->update(); }

class LineWidget : public QWidget {
public:
    LineWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }
    LineControl* line = nullptr;
    QPoint a, b;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!line || line->borderWidth_ <= 0) return;
        QPainter p(this);
        QPen pen(ToQColor(line->border_));
        pen.setWidth(line->borderWidth_);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        int half = line->borderWidth_ / 2;
        p.drawLine(a + QPoint(half, half), b + QPoint(half, half));
    }
};

LineControl::LineControl(QWidget* parent, const QString& name, int index)
    : Control(new LineWidget(parent), name, index) {
    static_cast<LineWidget*>(widget())->line = this;
    place();
}

void LineControl::place() {
    auto* w = static_cast<LineWidget*>(widget());
    const double u = Units();
    int ax = whole(x1_ / u), ay = whole(y1_ / u), bx = whole(x2_ / u), by = whole(y2_ / u);
    int left = std::min(ax, bx), top = std::min(ay, by);
    int bw = std::max(1, borderWidth_);
    w->a = QPoint(ax - left, ay - top);
    w->b = QPoint(bx - left, by - top);
    w->setGeometry(left, top, std::abs(bx - ax) + bw, std::abs(by - ay) + bw);
    w->update();
}

void LineControl::SetX1(double v) { x1_ = v; place(); }
void LineControl::SetY1(double v) { y1_ = v; place(); }
void LineControl::SetX2(double v) { x2_ = v; place(); }
void LineControl::SetY2(double v) { y2_ = v; place(); }
void LineControl::SetPoints(double x1, double y1, double x2, double y2) {
    x1_ = x1; y1_ = y1; x2_ = x2; y2_ = y2;
    place();
}
void LineControl::SetBorderColor(Colour c) { border_ = c; widget()->update(); }
void LineControl::SetBorderWidth(int w) { borderWidth_ = std::max(0, w); place(); }

}  // namespace vb
