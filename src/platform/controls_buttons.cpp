// Command buttons, check boxes and option buttons.

#include "platform/controls.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

namespace vb {

// ---------------------------------------------------------------------------------------------
// CommandButton

CommandButton::CommandButton(QWidget* parent, const QString& name, int index)
    : Control(new QPushButton(parent), name, index), button_(static_cast<QPushButton*>(widget())) {
    button_->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(button_, &QAbstractButton::clicked, [this] {
        raiseClick();
    });
}

QString CommandButton::Caption() const { return button_->text(); }
void CommandButton::SetCaption(const QString& c) { button_->setText(c); }

void CommandButton::PerformClick() { raiseClick(); }

bool CommandButton::event(QObject* target, QEvent* e) {
    if (Control::event(target, e)) return true;
    if (e->type() != QEvent::KeyPress || target != button_) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) || k->isAutoRepeat()) return false;
    button_->click();
    return true;
}

// ---------------------------------------------------------------------------------------------
// CheckBox and OptionButton

namespace {
QAbstractButton* makeCheck(QWidget* parent, bool graphical) {
    if (graphical) {
        auto* b = new QPushButton(parent);
        b->setCheckable(true);
        return b;
    }
    return new QCheckBox(parent);
}
}  // namespace

CheckBox::CheckBox(QWidget* parent, const QString& name, int index, bool graphical)
    : Control(makeCheck(parent, graphical), name, index), box_(static_cast<QAbstractButton*>(widget())) {
    QObject::connect(box_, &QAbstractButton::clicked, [this] {
        raiseClick();
    });
}

QString CheckBox::Caption() const { return box_->text(); }
void CheckBox::SetCaption(const QString& c) { box_->setText(c); }
int CheckBox::Value() const { return box_->isChecked() ? 1 : 0; }

void CheckBox::SetValue(int v) {
    bool on = v != 0;
    if (on == box_->isChecked()) return;
    box_->setChecked(on);
    raiseClick();
}

OptionButton::OptionButton(QWidget* parent, const QString& name, int index)
    : Control(new QRadioButton(parent), name, index), option_(static_cast<QAbstractButton*>(widget())) {
    QObject::connect(option_, &QAbstractButton::clicked, [this] {
        if (option_->isChecked()) raiseClick();
    });
}

QString OptionButton::Caption() const { return option_->text(); }
void OptionButton::SetCaption(const QString& c) { option_->setText(c); }
bool OptionButton::Value() const { return option_->isChecked(); }

void OptionButton::SetValue(bool v) {
    if (v == option_->isChecked()) return;
    if (v) {
        option_->setChecked(true);  // the other options of the container clear themselves
        raiseClick();
    } else {
        option_->setAutoExclusive(false);
        option_->setChecked(false);
        option_->setAutoExclusive(true);
    }
}

}  // namespace vb
