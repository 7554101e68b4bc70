#include "platform/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QValidator>
#include <algorithm>
#include <cmath>

#include "platform/keys.h"
#include "platform/vbtext.h"

namespace vb {

namespace {
int whole(double v) {
    if (!std::isfinite(v)) return 0;
    double r = Round(v);
    if (r > 1e7) return 10000000;
    if (r < -1e7) return -10000000;
    return int(r);
}

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

Control::Control(QWidget* w, const QString& name, int index) : widget_(w), name_(name), index_(index) {
    w->setObjectName(index >= 0 ? name + QLatin1Char('_') + QString::number(index) : name);
    w->setFont(ScreenFont(font_.name, font_.size, font_.bold, font_.italic));
    if (w->parentWidget()) w->setVisible(true);
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
    widget_->setGeometry(x, y, w, h);
    if (old.size() != QSize(w, h)) geometryChanged();
}

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

// ---------------------------------------------------------------------------------------------
// ComboBox

ComboBox::ComboBox(QWidget* parent, const QString& name, int index, int style)
    : Control(new QComboBox(parent), name, index), combo_(static_cast<QComboBox*>(widget())),
      style_(style == 0 ? 0 : 2) {
    combo_->setEditable(style_ == 0);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setMaxVisibleItems(8);
    combo_->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(combo_, qOverload<int>(&QComboBox::activated), [this](int) {
        if (!fromCode_) raiseClick();
    });
    if (combo_->lineEdit()) {
        hookEvents(combo_->lineEdit());
        QObject::connect(combo_->lineEdit(), &QLineEdit::textEdited, [this](const QString&) {
            if (!fromCode_ && Change) Change(idx());
        });
    }
}

void ComboBox::fontChanged() {
    Control::fontChanged();
    combo_->view()->setFont(combo_->font());
}

void ComboBox::AddItem(const QString& item, int index) {
    int before = combo_->currentIndex();
    QString text = combo_->currentText();
    fromCode_ = true;
    int n = combo_->count();
    combo_->insertItem(index < 0 || index > n ? n : index, item);
    // Adding never selects an entry.
    if (before < 0 && combo_->currentIndex() >= 0) {
        combo_->setCurrentIndex(-1);
        if (style_ == 0) combo_->setEditText(text);
    }
    fromCode_ = false;
}

void ComboBox::RemoveItem(int index) {
    if (index < 0 || index >= combo_->count()) return;
    int before = combo_->currentIndex();
    fromCode_ = true;
    combo_->removeItem(index);
    if (index == before) combo_->setCurrentIndex(-1);
    fromCode_ = false;
}

void ComboBox::Clear() {
    fromCode_ = true;
    combo_->clear();
    if (style_ == 0) combo_->setEditText(QString());
    fromCode_ = false;
}

QString ComboBox::List(int index) const {
    return index >= 0 && index < combo_->count() ? combo_->itemText(index) : QString();
}

void ComboBox::SetList(int index, const QString& item) {
    if (index >= 0 && index < combo_->count()) combo_->setItemText(index, item);
}

int ComboBox::ListCount() const { return combo_->count(); }
int ComboBox::ListIndex() const { return combo_->currentIndex(); }

void ComboBox::SetListIndex(int index) {
    // A list set from code fires Click even when it already shows that entry, as the list controls
    // did; only a check box or scroll bar set to its own value stays quiet.
    if (index < -1 || index >= combo_->count() || (index == -1 && combo_->currentIndex() == -1)) return;
    fromCode_ = true;
    combo_->setCurrentIndex(index);
    fromCode_ = false;
    raiseClick();
}

QString ComboBox::Text() const { return combo_->currentText(); }

void ComboBox::SetText(const QString& t) {
    if (style_ == 0) {
        if (t == combo_->currentText()) return;
        fromCode_ = true;
        combo_->setEditText(t);
        fromCode_ = false;
        if (Change) Change(idx());
    } else {
        int i = combo_->findText(t, Qt::MatchExactly);
        if (i >= 0) SetListIndex(i);
    }
}

// ---------------------------------------------------------------------------------------------
// ListBox and FileListBox

ListBox::ListBox(QWidget* parent, const QString& name, int index)
    : Control(new QListWidget(parent), name, index), list_(static_cast<QListWidget*>(widget())) {
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFocusPolicy(Qt::StrongFocus);
    hookEvents(list_->viewport());
    QObject::connect(list_, &QListWidget::currentRowChanged, [this](int) {
        if (!fromCode_) raiseClick();
    });
}

void ListBox::AddItem(const QString& item, int index) {
    fromCode_ = true;
    int n = list_->count();
    list_->insertItem(index < 0 || index > n ? n : index, item);
    fromCode_ = false;
}

void ListBox::RemoveItem(int index) {
    if (index < 0 || index >= list_->count()) return;
    int before = list_->currentRow();
    fromCode_ = true;
    delete list_->takeItem(index);
    if (index == before) list_->setCurrentRow(-1);
    fromCode_ = false;
}

void ListBox::Clear() {
    fromCode_ = true;
    list_->clear();
    fromCode_ = false;
}

QString ListBox::List(int index) const {
    auto* it = index >= 0 && index < list_->count() ? list_->item(index) : nullptr;
    return it ? it->text() : QString();
}

void ListBox::SetList(int index, const QString& item) {
    if (auto* it = index >= 0 && index < list_->count() ? list_->item(index) : nullptr) it->setText(item);
}

int ListBox::ListCount() const { return list_->count(); }
int ListBox::ListIndex() const { return list_->currentRow(); }

void ListBox::SetListIndex(int index) {
    if (index < -1 || index >= list_->count() || (index == -1 && list_->currentRow() == -1)) return;
    fromCode_ = true;
    list_->setCurrentRow(index);
    if (index < 0) list_->clearSelection();
    fromCode_ = false;
    raiseClick();
}

FileListBox::FileListBox(QWidget* parent, const QString& name, int index) : ListBox(parent, name, index) {}

void FileListBox::SetPath(const QString& folder) {
    path_ = folder;
    refill();
}

void FileListBox::SetPattern(const QString& pattern) {
    pattern_ = pattern.isEmpty() ? QStringLiteral("*.*") : pattern;
    refill();
}

void FileListBox::refill() {
    Clear();
    QDir dir(path_);
    QStringList patterns = pattern_.split(';', Qt::SkipEmptyParts);
    for (QString& p : patterns)
        if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    const QStringList files =
        dir.entryList(patterns, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString& f : files) AddItem(f);
}

// ---------------------------------------------------------------------------------------------
// ScrollBar

ScrollBar::ScrollBar(QWidget* parent, const QString& name, int index, bool vertical)
    : Control(new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, parent), name, index),
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
    bar_->setInvertedAppearance(min_ > max_);
    bar_->setInvertedControls(min_ > max_);
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

// ---------------------------------------------------------------------------------------------
// PictureBox

class PictureWidget : public QWidget {
public:
    PictureWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    PageSurface* surface = nullptr;
    int border = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (surface) p.drawImage(0, 0, surface->Image());
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
// Shape, LineControl, ImageBox, Frame

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

Frame::Frame(QWidget* parent, const QString& name, int index) : Control(new QGroupBox(parent), name, index) {
    // A frame paints its own background: a panel shown over a canvas hides what lies under it.
    widget()->setAutoFillBackground(true);
}
QString Frame::Caption() const { return static_cast<QGroupBox*>(widget())->title(); }
void Frame::SetCaption(const QString& c) { static_cast<QGroupBox*>(widget())->setTitle(c); }

}  // namespace vb
