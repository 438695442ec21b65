#include "records/TableRewrite.h"

#include "records/RecordsError.h"
#include "records/TableRowText.h"

namespace {

[[noreturn]] void CannotWrite(const QString& path, const QString& reason) {
    throw RecordsError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
}

} // namespace

TableRewrite::TableRewrite(const QString& path, qint64 wholeLinesEnd)
    : path_(path), old_(path), new_(path), end_(wholeLinesEnd) {
    if (!old_.open(QIODevice::ReadOnly))
        throw RecordsError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path, old_.errorString()));
    if (!new_.open(QIODevice::WriteOnly))
        CannotWrite(path, new_.errorString());
    Write(old_.readLine());
}

bool TableRewrite::NextRow(QByteArray& row) {
    if (old_.pos() >= end_)
        return false;
    row = old_.readLine();
    if (!row.endsWith("\r\n"))
        throw RecordsError(QStringLiteral("Cannot read file \"%1\". %2")
                               .arg(path_, QStringLiteral("The table changed while it was read.")));
    row.chop(2);
    return true;
}

void TableRewrite::WriteRow(const QStringList& fields) {
    WriteRowText(TableRowText(fields).toUtf8());
}

void TableRewrite::WriteRowText(const QByteArray& row) {
    Write(row + "\r\n");
    ++rows_;
}

void TableRewrite::Write(const QByteArray& bytes) {
    // A failed write is remembered by the file and refuses the commit.
    if (new_.write(bytes) == bytes.size())
        bytes_ += bytes.size();
}

void TableRewrite::Commit() {
    // The last buffered bytes are written first: a commit would take a failure of theirs for
    // a whole file.
    if (!new_.flush() || !new_.commit())
        CannotWrite(path_, new_.errorString());
}
