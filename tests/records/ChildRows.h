#pragma once

#include "records/TableHeader.h"

#include <QString>
#include <QStringList>

// The rows that table_writer_child writes, so a test can tell which rows it finds and whether
// each is whole. Every row is longer than the 1024-byte staging buffer (about 1900 bytes), so it
// reaches the file in several writes.
inline QStringList ChildRow(int index) {
    QStringList fields;
    fields.reserve(TableColumnCount);
    fields.append(QStringLiteral("дом-%1").arg(index));
    for (int column = 2; column <= TableColumnCount; ++column)
        fields.append(QStringLiteral("столбец%1/%2").arg(column).arg(index));
    return fields;
}
