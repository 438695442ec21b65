// The workbook read back by a real spreadsheet reader: openpyxl (Debian's python3-openpyxl) opens
// what the harvest's steps made of a table and openpyxl_check.py compares every cell, the row
// count and the frozen pane with what a user must see.
#include "ChildProcess.h"
#include "WorkbookTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// One column of the table: its header and, for data row n, the field and what openpyxl must
// read from its cell (a number, or exactly that text).
struct Column {
    QString header;
    QString (*field)(int n);
    bool number;
};

const Column kColumns[] = {
    {QStringLiteral("Адрес"),
     [](int n) {
         return QStringLiteral("обл. Московская, г. Подольск, ул. Кирова, д. %1, корп. «Б»").arg(n);
     },
     false},
    {QStringLiteral("Год постройки"), [](int n) { return QString::number(1900 + n % 120); }, true},
    {QStringLiteral("Площадь, кв.м"),
     [](int n) {
         return n % 3 == 0 ? QStringLiteral("%1.").arg(n) : QStringLiteral("%1.25").arg(n * 7);
     },
     true},
    {QStringLiteral("Перепад, м"), [](int n) { return QStringLiteral("-%1.5").arg(n % 4); }, true},
    {QStringLiteral("Кадастровый номер"),
     [](int n) { return QStringLiteral("50:55:0020116:%1").arg(n); }, false},
    // Sixteen digits are more than a cell's number keeps: the identifier stays a text.
    {QStringLiteral("Идентификатор"), [](int n) { return QString::number(1234567890123456LL + n); },
     false},
    {QStringLiteral("Код ОКТМО"), [](int n) { return QString::number(n).rightJustified(11, u'0'); },
     false},
    {QStringLiteral("Примечание"),
     [](int n) {
         const QString texts[] = {QStringLiteral("=1+2"), QStringLiteral("+79991234567"),
                                  QStringLiteral("-1+2"), QStringLiteral("@SUM(A1:A3)"),
                                  QStringLiteral("=HYPERLINK(\"http://x\";\"дом\")")};
         return texts[n % 5];
     },
     false},
};

constexpr int kDataRows = 250;

} // namespace

TEST(WorkbookReadBack, OpenpyxlSeesTheHeaderRowsFrozenPaneNumbersAndTexts) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tablePath = dir.filePath(QStringLiteral("data1.tab"));
    const QString workbookPath = dir.filePath(QStringLiteral("data1.xlsx"));
    const QString expectedPath = dir.filePath(QStringLiteral("expected.json"));

    std::vector<QStringList> lines(1);
    QJsonArray cells;
    for (int c = 0; c < int(std::size(kColumns)); ++c) {
        lines[0].append(kColumns[c].header);
        cells.append(QJsonArray{1, c + 1, QStringLiteral("s"), kColumns[c].header});
    }
    for (int n = 1; n <= kDataRows; ++n) {
        QStringList& line = lines.emplace_back();
        for (int c = 0; c < int(std::size(kColumns)); ++c) {
            const QString field = kColumns[c].field(n);
            line.append(field);
            cells.append(kColumns[c].number
                             ? QJsonArray{n + 1, c + 1, QStringLiteral("n"), field.toDouble()}
                             : QJsonArray{n + 1, c + 1, QStringLiteral("s"), field});
        }
    }
    WriteFileBytes(tablePath, TableBytes(lines));
    WriteFileBytes(expectedPath,
                   QJsonDocument(QJsonObject{{QStringLiteral("rows"), kDataRows + 1},
                                             {QStringLiteral("frozen"), QStringLiteral("A2")},
                                             {QStringLiteral("cells"), cells}})
                       .toJson(QJsonDocument::Compact));

    SpreadsheetTable sheet;
    sheet.OpenText(tablePath);
    EXPECT_EQ(sheet.UsedRowCount(), kDataRows + 1);
    sheet.FreezeHeaderRow();
    sheet.SaveAs(workbookPath);
    sheet.Close();

    ChildProcess check({QStringLiteral(OPENPYXL_PYTHON), QStringLiteral(OPENPYXL_CHECK),
                        workbookPath, expectedPath});
    QStringList differences;
    for (QByteArray line; !(line = check.ReadLine(60000)).isEmpty();)
        differences.append(QString::fromUtf8(line));
    EXPECT_EQ(check.Wait(60000), 0) << differences.join(u'\n').toStdString();
}
