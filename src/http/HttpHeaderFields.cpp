#include "http/HttpHeaderFields.h"

QByteArray HeaderValue(const HttpHeaderFields& fields, QByteArrayView name) {
    for (const HttpHeaderField& field : fields) {
        if (QByteArrayView(field.name).compare(name, Qt::CaseInsensitive) == 0)
            return field.value;
    }
    return {};
}

QList<QByteArray> HeaderValues(const HttpHeaderFields& fields, QByteArrayView name) {
    QList<QByteArray> values;
    for (const HttpHeaderField& field : fields) {
        if (QByteArrayView(field.name).compare(name, Qt::CaseInsensitive) == 0)
            values.append(field.value);
    }
    return values;
}

bool ParseHeaderLine(const QByteArray& line, HttpHeaderField& field) {
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return false;
    field.name = line.left(colon).trimmed();
    field.value = line.mid(colon + 1).trimmed();
    return !field.name.isEmpty();
}
