#pragma once

#include "json/JsonValue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

// Shared helpers of the records tests. Every test runs with PORTAL_ORIGIN set to TestOrigin().

inline QString TestOrigin() {
    return QStringLiteral("https://127.0.0.1:4443");
}

// Readable failure output for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// A file of tests/records/data.
QByteArray DataBytes(const QString& name);
QString DataText(const QString& name);

// A JSON text that must parse; a broken fixture fails the test that uses it.
JsonValue ParseJson(const QString& text);

// The 101 header names joined as the header line, with byte-order mark and CR LF, in UTF-8.
QByteArray HeaderLineBytes();

// A row's line in the table: fields joined by TAB, CR LF, in UTF-8.
QByteArray RowLineBytes(const QStringList& fields);
