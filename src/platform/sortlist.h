// The hidden sorted list: items kept in the order the sorted list control gave them, used as a sort
// over fixed-width digit keys followed by a payload. Case-insensitive first, then by character codes.
#pragma once

#include <QString>
#include <QStringList>

class SortList {
public:
    void Clear() { items_.clear(); }
    // Inserts the item at its sorted place and returns its index.
    int AddItem(const QString& item);
    void RemoveItem(int index);
    int ListCount() const { return items_.size(); }
    const QString& List(int index) const { return items_.at(index); }
    const QStringList& items() const { return items_; }
    // The ordering the list uses: negative, zero or positive.
    static int compare(const QString& a, const QString& b);

private:
    QStringList items_;
};
