// Scroll bars.

#include "platform/controls.h"

#include <QScrollBar>
#include <QKeyEvent>
#include <algorithm>

namespace vb {

namespace {

// A scroll bar whose Left and Right keys move the thumb the way they point. A scroll bar takes the
// wheel, Up and Down through inverted controls; Qt 6 reads Left and Right through them too, which
// turns those round on a horizontal bar.
class BarWidget : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (orientation() != Qt::Horizontal || (e->key() != Qt::Key_Left && e->key() != Qt::Key_Right)) {
            QScrollBar::keyPressEvent(e);
            return;
        }
        const bool right = (e->key() == Qt::Key_Right) != invertedAppearance();
        triggerAction(right ? SliderSingleStepAdd : SliderSingleStepSub);
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// ScrollBar

ScrollBar::ScrollBar(QWidget* parent, const QString& name, int index, bool vertical)
    : Control(new BarWidget(vertical ? Qt::Vertical : Qt::Horizontal, parent), name, index),
      bar_(static_cast<QScrollBar*>(widget())) {
    bar_->setFocusPolicy(Qt::StrongFocus);
    bar_->setSingleStep(1);
    bar_->setPageStep(1);
    applyRange();
    lastChanged_ = bar_->value();
    QObject::connect(bar_, &QScrollBar::valueChanged, [this](int) {
        if (fromCode_) return;
        if (bar_->isSliderDown()) {
            if (Scroll) Scroll(idx());
        } else {
            fireChange();
        }
    });
    QObject::connect(bar_, &QScrollBar::sliderReleased, [this] {
        if (bar_->value() != lastChanged_) fireChange();
    });
}

void ScrollBar::fireChange() {
    lastChanged_ = bar_->value();
    if (Change) Change(idx());
}

void ScrollBar::applyRange() {
    int before = bar_->value();
    fromCode_ = true;
    bar_->setRange(std::min(min_, max_), std::max(min_, max_));
    // A bar running the other way turns its wheel and keys round with it.
    bar_->setInvertedAppearance(min_ > max_);
    bar_->setInvertedControls(min_ <= max_);
    fromCode_ = false;
    if (bar_->value() != before) fireChange();
}

void ScrollBar::SetMin(int v) {
    min_ = v;
    applyRange();
}

void ScrollBar::SetMax(int v) {
    max_ = v;
    applyRange();
}

int ScrollBar::Value() const { return bar_->value(); }

void ScrollBar::SetValue(int v) {
    v = std::clamp(v, std::min(min_, max_), std::max(min_, max_));
    if (v == bar_->value()) return;
    fromCode_ = true;
    bar_->setValue(v);
    fromCode_ = false;
    fireChange();
}

int ScrollBar::SmallChange() const { return bar_->singleStep(); }
int ScrollBar::LargeChange() const { return bar_->pageStep(); }
void ScrollBar::SetSmallChange(int v) { bar_->setSingleStep(std::max(1, v)); }
void ScrollBar::SetLargeChange(int v) { bar_->setPageStep(std::max(1, v)); }

}  // namespace vb
