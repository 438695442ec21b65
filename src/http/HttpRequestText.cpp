#include "http/HttpRequestText.h"

namespace {

void AppendLine(QByteArray& text, const char* name, const QString& value) {
    if (value.isEmpty())
        return;
    text.append(name);
    text.append(": ");
    text.append(value.toUtf8());
    text.append("\r\n");
}

} // namespace

QByteArray BuildRequestText(const HttpRequestHead& head) {
    QByteArray text;
    text.reserve(512);
    text.append(head.method);
    text.append(' ');
    text.append(head.target.toUtf8());
    text.append(head.http10 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n");
    AppendLine(text, "Connection", head.connection);
    if (!head.contentType.isEmpty()) {
        AppendLine(text, "Content-Type",
                   head.contentCharset.isEmpty()
                       ? head.contentType
                       : head.contentType + QStringLiteral("; charset=") + head.contentCharset);
    }
    if (head.contentLength)
        AppendLine(text, "Content-Length", QString::number(*head.contentLength));
    for (const QString& line : head.customHeaders) {
        text.append(line.toUtf8());
        text.append("\r\n");
    }
    AppendLine(text, "Host", head.host);
    AppendLine(text, "Accept", head.accept);
    AppendLine(text, "Referer", head.referer);
    AppendLine(text, "User-Agent", head.userAgent);
    AppendLine(text, "Cookie", head.cookie);
    text.append("\r\n");
    return text;
}
