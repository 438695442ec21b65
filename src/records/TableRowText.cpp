#include "records/TableRowText.h"

QString TableRowText(const QStringList& fields) {
    qsizetype length = fields.size();
    for (const QString& field : fields)
        length += field.size();

    QString row;
    row.reserve(length);
    bool first = true;
    for (const QString& field : fields) {
        if (!first)
            row.append(u'\t');
        first = false;
        const qsizetype start = row.size();
        row.append(field);
        QChar* begin = row.data() + start;
        QChar* const end = row.data() + row.size();
        for (; begin != end; ++begin) {
            const char16_t unit = begin->unicode();
            if (unit == u'\t' || unit == u'\r' || unit == u'\n')
                *begin = u' ';
        }
    }
    return row;
}
