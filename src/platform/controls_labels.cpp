// Labels and frames.

#include "platform/controls.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>

namespace vb {

// ---------------------------------------------------------------------------------------------
// Label

Label::Label(QWidget* parent, const QString& name, int index)
    : Control(new QLabel(parent), name, index), label_(static_cast<QLabel*>(widget())) {
    label_->setTextFormat(Qt::PlainText);
    label_->setContentsMargins(0, 0, 0, 0);
    label_->setIndent(0);
    label_->setMargin(0);
    clickOnRelease_ = true;
    applyStyle();
}

void Label::SetCaption(const QString& c) {
    caption_ = c;
    label_->setText(c);
    if (autoSize_) fitCaption();
}

void Label::SetAutoSize(bool a) {
    autoSize_ = a;
    applyStyle();
    if (a) fitCaption();
}

void Label::SetAlignment(int a) {
    alignment_ = (a >= 0 && a <= 2) ? a : 0;
    applyStyle();
}

void Label::SetBackStyle(int s) {
    backStyle_ = s == 0 ? 0 : 1;
    applyStyle();
}

void Label::SetBorderStyle(int s) {
    borderStyle_ = s == 1 ? 1 : 0;
    applyStyle();
    if (autoSize_) fitCaption();
}

void Label::SetWordWrap(bool w) {
    wordWrap_ = w;
    applyStyle();
    if (autoSize_) fitCaption();
}

void Label::SetForeColor(Colour c) { Control::SetForeColor(c); }

void Label::SetBackColor(Colour c) {
    Control::SetBackColor(c);
    applyStyle();
}

void Label::fontChanged() {
    Control::fontChanged();
    if (autoSize_) fitCaption();
}

bool Label::event(QObject* target, QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        if (target != label_) break;
        // A label transparent for the mouse, or a disabled one, raises nothing: its container has
        // the event.
        if (!label_->isEnabled() || label_->testAttribute(Qt::WA_TransparentForMouseEvents)) return false;
        // Handled and accepted here, the event is not passed on to the parent widget.
        Control::event(target, e);
        e->accept();
        return true;
    default: break;
    }
    return Control::event(target, e);
}

void Label::applyStyle() {
    Qt::Alignment h = alignment_ == 1 ? Qt::AlignRight : alignment_ == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    label_->setAlignment(h | Qt::AlignTop);
    // A fixed-size label wraps its caption within its width; an auto-sized one keeps one line.
    label_->setWordWrap(!autoSize_ || wordWrap_);
    label_->setFrameStyle(borderStyle_ == 1 ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    label_->setAutoFillBackground(backStyle_ == 1 && backSet_);
}

void Label::fitCaption() {
    QFontMetrics fm(label_->font());
    const QStringList lines = caption_.split('\n');
    int w = 0;
    for (const QString& l : lines) w = std::max(w, fm.horizontalAdvance(l));
    int h = fm.height() * int(lines.size());
    int frame = borderStyle_ == 1 ? 2 : 0;
    QRect g = label_->geometry();
    label_->setGeometry(g.x(), g.y(), w + frame, h + frame);
}

// ---------------------------------------------------------------------------------------------
// Frame

Frame::Frame(QWidget* parent, const QString& name, int index) : Control(new QGroupBox(parent), name, index) {
    // A frame paints its own background: a panel shown over a canvas hides what lies under it.
    widget()->setAutoFillBackground(true);
}
QString Frame::Caption() const { return static_cast<QGroupBox*>(widget())->title(); }
void Frame::SetCaption(const QString& c) { static_cast<QGroupBox*>(widget())->setTitle(c); }

}  // namespace vb
