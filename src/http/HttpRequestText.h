#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Everything that goes into the text of one request. Lines whose value is empty are left out.
struct HttpRequestHead {
    QByteArray method;                      // "GET" or "POST"
    QString target;                         // path and query, sent unchanged
    bool http10 = false;                    // "HTTP/1.0" instead of "HTTP/1.1"
    QString connection;                     // "Connection"
    QString contentType;                    // media type of "Content-Type"
    QString contentCharset;                 // its charset parameter
    std::optional<qsizetype> contentLength; // "Content-Length", POST only
    QStringList customHeaders;              // complete lines, sent as they stand
    QString host;                           // "Host"
    QString accept;                         // "Accept"
    QString referer;                        // "Referer"
    QString userAgent;                      // "User-Agent"
    QString cookie;                         // "Cookie"
};

// The request line and header lines in their fixed order, each ended by CR LF, and the empty
// line; the body bytes, if any, follow it on the wire.
QByteArray BuildRequestText(const HttpRequestHead& head);
