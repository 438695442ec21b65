#pragma once

#include "ChildProcess.h"
#include "records/TableHeader.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// What openpyxl reads of a comparison workbook (see read_comparison.py); empty when it could not.
inline QJsonObject ReadComparison(const QString& workbookPath) {
    ChildProcess reader(
        {QStringLiteral("/usr/bin/python3"), QStringLiteral(COMPARISON_READER), workbookPath});
    const QByteArray line = reader.ReadLine(60000);
    reader.Wait(60000);
    return QJsonDocument::fromJson(line).object();
}

// A table as this program writes it: byte-order mark, header, the rows given as their fields
// (a row of fewer than 101 fields is filled up with empty ones), CR LF after every line.
inline QByteArray TableOf(const QList<QStringList>& rows) {
    QByteArray bytes = "\xEF\xBB\xBF" + TableHeaderNames().join(u'\t').toUtf8() + "\r\n";
    for (QStringList row : rows) {
        while (row.size() < TableColumnCount)
            row.append(QString());
        bytes += row.join(u'\t').toUtf8() + "\r\n";
    }
    return bytes;
}

// The passport link of a house, as column 1 holds it.
inline QString HouseLink(const QString& guid) {
    return QStringLiteral("https://portal/house?houseGuid=%1&houseTypeCode=1").arg(guid);
}
