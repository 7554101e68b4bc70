// Texts the tests compare with.
#pragma once

#include <QString>
#include <QStringList>

// A text as written in the source (UTF-8).
inline QString U(const char* s) { return QString::fromUtf8(s); }

// The lines of a drawing log that start with `prefix`.
inline QStringList Matching(const QStringList& log, const QString& prefix) {
    QStringList out;
    for (const QString& line : log)
        if (line.startsWith(prefix)) out << line;
    return out;
}
