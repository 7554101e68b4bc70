// The control base: geometry, fonts and colours in the container's units, and the routing of the
// widgets' mouse and key events to the handlers.

#include "platform/controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/controls_internal.h"
#include "platform/keys.h"
#include "platform/vbtext.h"

namespace vb {

namespace controls_internal {
int whole(double v) {
    if (!std::isfinite(v)) return 0;
    double r = Round(v);
    if (r > 1e7) return 10000000;
    if (r < -1e7) return -10000000;
    return int(r);
}
}  // namespace controls_internal
using controls_internal::whole;

namespace {

// A Qt button clicks on the release that ends its press, but drops the press when it loses the
// focus, and a MouseUp (or KeyUp) handler that gives the focus to a canvas runs before the button
// sees the release. The press is taken note of before the handler and put back after it, so the
// button's own release handling raises Click after MouseUp whatever the handler did with the
// focus. A button the handler disabled stays unclicked.
QAbstractButton* pressedButton(QObject* target) {
    auto* b = qobject_cast<QAbstractButton*>(target);
    return b && b->isDown() ? b : nullptr;
}

void keepPressed(const QPointer<QAbstractButton>& pressed) {
    if (pressed && !pressed->isDown() && pressed->isEnabled()) pressed->setDown(true);
}

}  // namespace

// Forwards the events of a widget to its control.
class EventHook : public QObject {
public:
    explicit EventHook(Control* c) : control_(c) {}
    bool eventFilter(QObject* target, QEvent* e) override { return control_->event(target, e); }

private:
    Control* control_;
};

// ---------------------------------------------------------------------------------------------
// Control

namespace {

// A widget shown before it was given a size takes its size hint. An empty label just made has the
// same hint as every other one of its kind in the same font and style, yet working it out lays out
// a line of text each time; a window makes hundreds of such labels. The hint is worked out for the
// first one and given to the next ones before they show.
class FreshSizes {
public:
    static void Show(QWidget* w) {
        auto* label = qobject_cast<QLabel*>(w);
        if (!label || !label->text().isEmpty() || !label->pixmap().isNull() || w->testAttribute(Qt::WA_Resized) ||
            styledBySheet(w)) {
            w->setVisible(true);
            return;
        }
        const Key key{w->metaObject(), w->font(), w->style()};
        for (const auto& [k, size] : sizes())
            if (k == key) {
                // As the first show leaves it: sized to the hint, yet not counted as resized.
                w->resize(size);
                w->setVisible(true);
                w->setAttribute(Qt::WA_Resized, false);
                return;
            }
        w->setVisible(true);
        sizes().push_back({key, w->size()});
    }

private:
    struct Key {
        const QMetaObject* type;
        QFont font;
        const QStyle* style;
        bool operator==(const Key&) const = default;
    };
    static std::vector<std::pair<Key, QSize>>& sizes() {
        static std::vector<std::pair<Key, QSize>> list;
        return list;
    }
    static bool styledBySheet(const QWidget* w) {
        if (!qApp->styleSheet().isEmpty()) return true;
        for (; w; w = w->parentWidget())
            if (!w->styleSheet().isEmpty()) return true;
        return false;
    }
};

}  // namespace

Control::Control(QWidget* w, const QString& name, int index) : widget_(w), name_(name), index_(index) {
    w->setObjectName(index >= 0 ? name + QLatin1Char('_') + QString::number(index) : name);
    w->setFont(ScreenFont(font_.name, font_.size, font_.bold, font_.italic));
    if (w->parentWidget()) FreshSizes::Show(w);
    hook_ = new EventHook(this);
    hook_->setParent(w);
    hookEvents(w);
}

Control::~Control() {
    if (widget_) {
        widget_->removeEventFilter(hook_);
        delete widget_.data();
    }
}

void Control::hookEvents(QWidget* target) {
    target->installEventFilter(hook_);
    target->setMouseTracking(true);
}

bool Control::event(QObject* target, QEvent* e) {
    auto toUnits = [this, target](const QPointF& p) {
        QPointF q = p;
        if (target != widget_.data() && target->isWidgetType())
            q = static_cast<QWidget*>(target)->mapTo(widget_.data(), p);
        return QPointF(q.x() * mouseUnits_, q.y() * mouseUnits_);
    };
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        afterDblClick_ = false;
        // A press on a control inside this one reaches it too when that control leaves the press
        // unhandled; it is no click on this one.
        pressedOnSelf_ = target == widget_.data() && !widget_->childAt(m->position().toPoint());
        QPointF p = toUnits(m->position());
        if (MouseDown) MouseDown(index_, MouseButtonCode(m->button()), ShiftState(m->modifiers()), p.x(), p.y());
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* m = static_cast<QMouseEvent*>(e);
        QPointF p = toUnits(m->position());
        bool inside = widget_ && widget_->rect().contains(m->position().toPoint());
        bool wasDbl = afterDblClick_;
        bool own = pressedOnSelf_;
        afterDblClick_ = pressedOnSelf_ = false;
        QPointer<QAbstractButton> pressed = pressedButton(target);
        if (MouseUp) MouseUp(index_, MouseButtonCode(m->button()), ShiftState(m->modifiers()), p.x(), p.y());
        if (m->button() == Qt::LeftButton) keepPressed(pressed);
        if (clickOnRelease_ && m->button() == Qt::LeftButton && inside && own && !wasDbl) raiseClick();
        break;
    }
    case QEvent::MouseButtonDblClick: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::LeftButton) {
            afterDblClick_ = true;
            if (DblClick) DblClick(index_);
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        QPointF p = toUnits(m->position());
        if (MouseMove) MouseMove(index_, MouseButtonsCode(m->buttons()), ShiftState(m->modifiers()), p.x(), p.y());
        break;
    }
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(e);
        // A held key repeats its KeyDown (and KeyPress), as on the system the program comes from.
        int code = VirtualKey(k);
        if (KeyDown && code != 0) KeyDown(index_, code, ShiftState(k->modifiers()));
        int ascii = KeyAscii(k);
        if (KeyPress && ascii != 0) {
            int changed = ascii;
            KeyPress(index_, changed);
            if (changed == 0) return true;
            if (changed != ascii) {
                if (auto* edit = qobject_cast<QLineEdit*>(widget_.data())) {
                    edit->insert(QString(QChar(changed)));
                    return true;
                }
            }
        }
        break;
    }
    case QEvent::KeyRelease: {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->isAutoRepeat()) break;  // only the real release ends a held key
        int code = VirtualKey(k);
        QPointer<QAbstractButton> pressed =
            k->key() == Qt::Key_Space || k->key() == Qt::Key_Select ? pressedButton(target) : nullptr;
        if (KeyUp && code != 0) KeyUp(index_, code, ShiftState(k->modifiers()));
        keepPressed(pressed);
        break;
    }
    default: break;
    }
    return false;
}

void Control::raiseClick() {
    if (ClickObserver) ClickObserver(*this);
    if (Click) Click(index_);
}

void Control::SetUnits(double u) { units_ = u > 0 ? u : 1; }

double Control::Left() const { return widget_ ? widget_->x() * units_ : 0; }
double Control::Top() const { return widget_ ? widget_->y() * units_ : 0; }
double Control::Width() const { return widget_ ? widget_->width() * units_ : 0; }
double Control::Height() const { return widget_ ? widget_->height() * units_ : 0; }

void Control::setPixelGeometry(int x, int y, int w, int h) {
    if (!widget_) return;
    w = std::clamp(w, 0, 1 << 20);
    h = std::clamp(h, 0, 1 << 20);
    QRect old = widget_->geometry();
    placeWidget(QRect(x, y, w, h));
    if (old.size() != QSize(w, h)) geometryChanged();
}

void Control::placeWidget(const QRect& to) { widget_->setGeometry(to); }

void Control::SetLeft(double v) { setPixelGeometry(whole(v / units_), widget_->y(), widget_->width(), widget_->height()); }
void Control::SetTop(double v) { setPixelGeometry(widget_->x(), whole(v / units_), widget_->width(), widget_->height()); }
void Control::SetWidth(double v) { setPixelGeometry(widget_->x(), widget_->y(), whole(v / units_), widget_->height()); }
void Control::SetHeight(double v) { setPixelGeometry(widget_->x(), widget_->y(), widget_->width(), whole(v / units_)); }

void Control::Move(double left, double top, double width, double height) {
    if (!widget_) return;
    int w = width < 0 ? widget_->width() : whole(width / units_);
    int h = height < 0 ? widget_->height() : whole(height / units_);
    setPixelGeometry(whole(left / units_), whole(top / units_), w, h);
}

void Control::SetVisible(bool v) {
    visible_ = v;
    if (widget_ && (widget_->parentWidget() || !v)) widget_->setVisible(v);
}

bool Control::Enabled() const { return widget_ && widget_->isEnabled(); }
void Control::SetEnabled(bool e) {
    if (widget_) widget_->setEnabled(e);
}

void Control::SetFocus() {
    if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

void Control::fontChanged() {
    if (widget_) widget_->setFont(ScreenFont(font_.name, font_.size, font_.bold, font_.italic));
}
void Control::SetFontName(const QString& name) { font_.name = name; fontChanged(); }
void Control::SetFontSize(double points) {
    if (points > 0) font_.size = points;
    fontChanged();
}
void Control::SetFontBold(bool b) { font_.bold = b; fontChanged(); }
void Control::SetFontItalic(bool b) { font_.italic = b; fontChanged(); }

void Control::SetForeColor(Colour c) {
    fore_ = c;
    if (!widget_) return;
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::WindowText, ToQColor(c));
    pal.setColor(QPalette::ButtonText, ToQColor(c));
    pal.setColor(QPalette::Text, ToQColor(c));
    widget_->setPalette(pal);
}

void Control::SetBackColor(Colour c) {
    back_ = c;
    backSet_ = true;
    if (!widget_) return;
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Window, ToQColor(c));
    pal.setColor(QPalette::Button, ToQColor(c));
    pal.setColor(QPalette::Base, ToQColor(c));
    widget_->setPalette(pal);
    widget_->setAutoFillBackground(true);
}

void Control::Refresh() {
    if (widget_) widget_->repaint();
}

}  // namespace vb
