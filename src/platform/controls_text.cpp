// Text boxes.

#include "platform/controls.h"

#include <QLineEdit>
#include <QValidator>
#include <algorithm>

namespace vb {

// ---------------------------------------------------------------------------------------------
// TextBox

namespace {
// MaxLength limits what the user types; text set from code is taken whole.
class LengthValidator : public QValidator {
public:
    explicit LengthValidator(QObject* parent, const int* limit) : QValidator(parent), limit_(limit) {}
    State validate(QString& input, int&) const override {
        return (*limit_ > 0 && input.size() > *limit_) ? Invalid : Acceptable;
    }

private:
    const int* limit_;
};
}  // namespace

TextBox::TextBox(QWidget* parent, const QString& name, int index)
    : Control(new QLineEdit(parent), name, index), edit_(static_cast<QLineEdit*>(widget())) {
    edit_->setValidator(new LengthValidator(edit_, &maxLength_));
    QObject::connect(edit_, &QLineEdit::textEdited, [this](const QString&) {
        if (Change) Change(idx());
    });
}

QString TextBox::Text() const { return edit_->text(); }

void TextBox::SetText(const QString& t) {
    if (t == edit_->text()) return;
    edit_->setText(t);
    if (Change) Change(idx());
}

void TextBox::SetMaxLength(int n) { maxLength_ = n < 0 ? 0 : n; }
int TextBox::SelStart() const {
    return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
}
void TextBox::SetSelStart(int s) { edit_->setCursorPosition(std::clamp(s, 0, int(edit_->text().size()))); }
int TextBox::SelLength() const { return int(edit_->selectedText().size()); }
void TextBox::SetSelLength(int n) {
    int start = edit_->cursorPosition();
    edit_->setSelection(start, std::clamp(n, 0, int(edit_->text().size()) - start));
}
bool TextBox::Locked() const { return edit_->isReadOnly(); }
void TextBox::SetLocked(bool l) { edit_->setReadOnly(l); }
void TextBox::SetForeColor(Colour c) { Control::SetForeColor(c); }
void TextBox::SetBackColor(Colour c) {
    Control::SetBackColor(c);
    edit_->setAutoFillBackground(false);
}

}  // namespace vb
