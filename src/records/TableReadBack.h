#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

// What a table file holds when a run is continued or repaired: its whole rows, read once and
// checked, with the house of every row. A last line without its CR LF (a run killed between the
// row and its line end) is not counted; the writer that continues the table cuts it off.
struct TableContents {
    qint64 headerEnd = 0;        // bytes of the byte-order mark and header line
    qint64 wholeLinesEnd = 0;    // bytes up to the end of the last whole line
    std::vector<qint64> rowEnds; // for every row: the byte just after its CR LF
    QStringList guids;           // for every row: the house guid of its passport link
};

// Reads the table back. Fails with RecordsError naming the file and the reason when it cannot be
// read, when its header line is not this program's, or when a row is not 101 fields with a
// house link.
TableContents ReadTableBack(const QString& path);

// The house guid of one row's text (without its line end): the passport link of column 1 holds
// "houseGuid=<guid>&houseTypeCode=<code>". Empty when the link is not there.
QString RowHouseGuid(QByteArrayView row);
// The house type code of that link.
QString RowHouseTypeCode(QByteArrayView row);
