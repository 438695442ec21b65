#pragma once

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

// A table rewritten row by row under a temporary name: the old table's rows are read one at a
// time and written on, changed or not, with new rows between them, so neither table is ever
// held in memory. The new table takes the old one's name only at Commit; until then (and when
// the object goes without Commit) the old table stays as it was.
class TableRewrite {
public:
    // Reads the old table up to `wholeLinesEnd` (see ReadTableBack); its header line is copied
    // at once. Fails with RecordsError when either file cannot be opened.
    TableRewrite(const QString& path, qint64 wholeLinesEnd);

    // The next old row without its CR LF; false after the last.
    bool NextRow(QByteArray& row);
    // A row of 101 fields, written as the table writes its rows.
    void WriteRow(const QStringList& fields);
    // A row text without its CR LF, as NextRow gave it.
    void WriteRowText(const QByteArray& row);

    qint64 Rows() const { return rows_; }
    qint64 Bytes() const { return bytes_; }

    // Renames the new table over the old one. Fails with RecordsError when a write failed.
    void Commit();

private:
    void Write(const QByteArray& bytes);

    QString path_;
    QFile old_;
    QSaveFile new_;
    qint64 end_ = 0;
    qint64 rows_ = 0;
    qint64 bytes_ = 0;
};
