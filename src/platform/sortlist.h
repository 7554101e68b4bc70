// The hidden sorted list: items kept in the order the sorted list control gave them, used as a sort
// over fixed-width digit keys followed by a payload. Case-insensitive first, then by character codes;
// an item equal to one already in the list goes after it.
#pragma once

#include <QString>
#include <QStringList>

class SortList {
public:
    void Clear() { items_.clear(); sorted_ = true; }
    void AddItem(const QString& item);
    void RemoveItem(int index);
    int ListCount() const { return items_.size(); }
    const QString& List(int index) const;
    const QStringList& items() const;
    // The ordering the list uses: negative, zero or positive.
    static int compare(const QString& a, const QString& b);

private:
    void sort() const;
    // Items are appended and put in order when next read (a stable sort keeps equal items in the
    // order they were added), so filling the list costs n log n, not n squared.
    mutable QStringList items_;
    mutable bool sorted_ = true;
};
