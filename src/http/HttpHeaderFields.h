#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <vector>

// The header lines of one answer, in the order they arrived.
struct HttpHeaderField {
    QByteArray name;
    QByteArray value; // without surrounding spaces or tabs
};

using HttpHeaderFields = std::vector<HttpHeaderField>;

// The value of the first line of that name (letter case aside); empty when there is none.
QByteArray HeaderValue(const HttpHeaderFields& fields, QByteArrayView name);

// The values of every line of that name, in order.
QList<QByteArray> HeaderValues(const HttpHeaderFields& fields, QByteArrayView name);

// Splits one header line at its first colon; a line without a colon gives false.
bool ParseHeaderLine(const QByteArray& line, HttpHeaderField& field);
