#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The media type and charset parameter of a "Content-Type" value, both in lower case, without
// quotes or surrounding spaces ("text/html; charset=\"UTF-8\"" gives "text/html", "utf-8").
struct ContentTypeParts {
    QByteArray mediaType;
    QByteArray charset;
};
ContentTypeParts ParseContentType(QByteArrayView value);

// Decodes an answer body by its "Content-Type" value:
// - a named charset: UTF-8 and ISO-8859-1 directly, every other name through iconv; a name
//   iconv does not know is decoded byte for byte (each byte the character of the same code);
// - no charset: JSON ("application/json" or any "+json" type) as UTF-8, the encoding JSON is
//   defined in; XML text types ("text/xml", "text/*+xml") as US-ASCII; any other "text/*" as
//   ISO-8859-1; everything else byte for byte.
// Bytes that do not fit the charset become U+FFFD.
QString DecodeBody(const QByteArray& body, QByteArrayView contentType);

// Decodes bytes with a charset name through iconv. False when iconv does not know the name.
bool DecodeWithIconv(const QByteArray& bytes, const QByteArray& charset, QString& text);
