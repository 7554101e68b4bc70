// Picture boxes (drawing canvases) and image boxes.

#include "platform/controls.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace vb {

// ---------------------------------------------------------------------------------------------
// PictureBox

class PictureWidget : public QWidget {
public:
    PictureWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    PageSurface* surface = nullptr;
    int border = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        // Rectangle by rectangle, each clipped to itself: a plain copy. Drawn at once through the
        // whole region (a canvas under thin separators, a scrolled track view) the picture would
        // go through span blending, split over Qt's thread pool on every repaint.
        if (surface)
            for (const QRect& r : e->region()) {
                p.setClipRect(r);
                p.drawImage(r.topLeft(), surface->Image(), r);
            }
        p.setClipping(false);
        if (border) {
            p.setPen(Qt::black);
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }
};

PictureBox::PictureBox(QWidget* parent, const QString& name, int index)
    : Control(new PictureWidget(parent), name, index) {
    auto* w = static_cast<PictureWidget*>(widget());
    surface_ = std::make_unique<PageSurface>(w->width(), w->height());
    w->surface = surface_.get();
    w->setFocusPolicy(Qt::StrongFocus);
    clickOnRelease_ = true;
    QPointer<QWidget> guard(w);
    surface_->changed = [guard] {
        if (guard) guard->update();
    };
}

PictureBox::~PictureBox() {
    if (auto* w = static_cast<PictureWidget*>(widget())) w->surface = nullptr;
    surface_->changed = nullptr;
}

void PictureBox::geometryChanged() { surface_->Resize(widget()->width(), widget()->height()); }

namespace {

// Whether Qt takes a widget for opaque: it paints all of its pixels, and Qt then leaves it and
// what it covers out of the repaint of the widget under it.
bool PaintsAllItsPixels(const QWidget& w) {
    if (w.graphicsEffect()) return false;
    if (w.testAttribute(Qt::WA_OpaquePaintEvent) || w.testAttribute(Qt::WA_PaintOnScreen)) return true;
    if (!w.autoFillBackground()) return false;
    const QBrush& fill = w.palette().brush(w.backgroundRole());
    return fill.style() != Qt::NoBrush && fill.isOpaque();
}

// Marks the opaque widgets lying on `region` of `w` (its coordinates), at any depth, for their
// part of it; among the children of `w` only those stacked under `top`, when given.
void MarkOpaqueWidgetsOn(QWidget& w, const QRegion& region, const QWidget* top = nullptr) {
    for (QObject* o : w.children()) {
        if (o == top) break;
        auto* child = qobject_cast<QWidget*>(o);
        if (!child || child->isWindow() || !child->isVisible()) continue;
        const QRegion on = region.intersected(child->geometry()).translated(-child->pos());
        if (on.isEmpty()) continue;
        if (PaintsAllItsPixels(*child)) child->update(on);
        MarkOpaqueWidgetsOn(*child, on);
    }
}

}  // namespace

// A picture box that only moves (a track view canvas follows the play many times a second) marks
// what it uncovers and what it now shows, as any change of its picture does. Qt's own move marks
// the whole of both places as lost, and everything drawn there is painted again from the window
// down: the widgets lying above the box (the part strips, the title block and its captions)
// included, though they did not change. Marked as changed, the box is painted alone, without what
// opaque widgets above it hide; where the box was and no longer is, its container and the widgets
// it lay over there (a note label under the closed note menu, the buttons under the roll's
// keyboard) are painted again.
void PictureBox::placeWidget(const QRect& to) {
    QWidget* w = widget();
    QWidget* container = w->parentWidget();
    const QRect from = w->geometry();
    if (!container || !w->isVisible() || to.size() != from.size() || to == from ||
        !w->updatesEnabled() || !container->updatesEnabled()) {
        Control::placeWidget(to);
        return;
    }
    // Held for the move alone: set directly, the attribute neither repaints nor reaches children.
    w->setAttribute(Qt::WA_UpdatesDisabled, true);
    container->setAttribute(Qt::WA_UpdatesDisabled, true);
    w->setGeometry(to);
    container->setAttribute(Qt::WA_UpdatesDisabled, false);
    w->setAttribute(Qt::WA_UpdatesDisabled, false);
    // Qt paints a widget marked changed without the opaque widgets lying on it, which keep their
    // pixels: those the box lay over are marked too, and those on the box, which moved with it.
    const QRegion uncovered = QRegion(from).subtracted(QRegion(to));
    container->update(uncovered);
    MarkOpaqueWidgetsOn(*container, uncovered, w);
    w->update();
    MarkOpaqueWidgetsOn(*w, w->rect());
}

void PictureBox::SetBorderStyle(int s) {
    borderStyle_ = s == 1 ? 1 : 0;
    static_cast<PictureWidget*>(widget())->border = borderStyle_;
    widget()->update();
}

void PictureBox::SetFontName(const QString& name) { surface_->SetFontName(name); Control::SetFontName(name); }
void PictureBox::SetFontSize(double points) { surface_->SetFontSize(points); Control::SetFontSize(points); }
void PictureBox::SetFontBold(bool b) { surface_->SetFontBold(b); Control::SetFontBold(b); }
void PictureBox::SetFontItalic(bool b) { surface_->SetFontItalic(b); Control::SetFontItalic(b); }
void PictureBox::SetForeColor(Colour c) { fore_ = c; surface_->SetForeColor(c); }
void PictureBox::SetBackColor(Colour c) { back_ = c; backSet_ = true; surface_->SetBackColor(c); }
void PictureBox::Refresh() { widget()->repaint(); }

// ---------------------------------------------------------------------------------------------
// ImageBox

class ImageWidget : public QWidget {
public:
    ImageWidget(QWidget* parent) : QWidget(parent) {}
    ImageBox* box = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!box || box->image_.isNull()) return;
        QPainter p(this);
        if (box->stretch_)
            p.drawImage(rect(), box->image_);
        else
            p.drawImage(0, 0, box->image_);
    }
};

ImageBox::ImageBox(QWidget* parent, const QString& name, int index)
    : Control(new ImageWidget(parent), name, index) {
    static_cast<ImageWidget*>(widget())->box = this;
    clickOnRelease_ = true;
}

bool ImageBox::LoadPicture(const QString& path) {
    QImage img;
    if (!img.load(path)) return false;
    SetPicture(img);
    return true;
}

void ImageBox::SetPicture(const QImage& image) {
    image_ = image;
    if (!stretch_ && !image_.isNull()) {
        QRect g = widget()->geometry();
        widget()->setGeometry(g.x(), g.y(), image_.width(), image_.height());
    }
    widget()->update();
}

void ImageBox::SetStretch(bool s) { stretch_ = s; widget()->update(); }

}  // namespace vb
