// Lets GoogleTest print Qt values in failure messages.
#ifndef TESTS_APP_SUPPORT_QT_PRINTERS_H
#define TESTS_APP_SUPPORT_QT_PRINTERS_H

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QUrl>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QColor& colour, std::ostream* out) {
    *out << colour.name(QColor::HexArgb).toStdString();
}

inline void PrintTo(const QUrl& url, std::ostream* out) {
    *out << url.toString().toStdString();
}

#endif
