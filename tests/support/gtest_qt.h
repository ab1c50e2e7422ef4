#pragma once

// Readable gtest failure messages for Qt strings and byte strings. Include it in
// every test file of an executable that compares them: gtest's printers are
// templates, and one file without these overloads decides for all.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << "{";
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ",\n  \"" : "\n  \"") << list.at(i).toStdString() << '"';
    *os << (list.isEmpty() ? "}" : "\n}");
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << "hex " << bytes.toHex(' ').toUpper().toStdString();
}
