// Combo boxes, list boxes and file list boxes.

#include "platform/controls.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>

namespace vb {

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

}  // namespace vb
