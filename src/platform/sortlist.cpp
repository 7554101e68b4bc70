#include "platform/sortlist.h"

#include <algorithm>

int SortList::compare(const QString& a, const QString& b) {
    int c = QString::compare(a, b, Qt::CaseInsensitive);
    if (c != 0) return c;
    return QString::compare(a, b, Qt::CaseSensitive);
}

int SortList::AddItem(const QString& item) {
    // A new item goes after its equals, as the list control placed it.
    auto it = std::upper_bound(items_.begin(), items_.end(), item,
                               [](const QString& x, const QString& y) { return compare(x, y) < 0; });
    int index = int(it - items_.begin());
    items_.insert(index, item);
    return index;
}

void SortList::RemoveItem(int index) {
    if (index >= 0 && index < items_.size()) items_.removeAt(index);
}
