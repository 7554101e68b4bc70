#include "platform/sortlist.h"

#include <algorithm>

int SortList::compare(const QString& a, const QString& b) {
    int c = QString::compare(a, b, Qt::CaseInsensitive);
    if (c != 0) return c;
    return QString::compare(a, b, Qt::CaseSensitive);
}

void SortList::AddItem(const QString& item) {
    if (sorted_ && !items_.isEmpty() && compare(items_.last(), item) > 0) sorted_ = false;
    items_.append(item);
}

void SortList::sort() const {
    if (sorted_) return;
    std::stable_sort(items_.begin(), items_.end(),
                     [](const QString& x, const QString& y) { return compare(x, y) < 0; });
    sorted_ = true;
}

const QString& SortList::List(int index) const {
    sort();
    return items_.at(index);
}

const QStringList& SortList::items() const {
    sort();
    return items_;
}

void SortList::RemoveItem(int index) {
    sort();
    if (index >= 0 && index < items_.size()) items_.removeAt(index);
}
