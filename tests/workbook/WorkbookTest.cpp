#include "WorkbookTestSupport.h"
#include "workbook/ColumnWidths.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

const std::map<QString, QString> kFrozenHeader{
    {QStringLiteral("ySplit"), QStringLiteral("1")},
    {QStringLiteral("topLeftCell"), QStringLiteral("A2")},
    {QStringLiteral("activePane"), QStringLiteral("bottomLeft")},
    {QStringLiteral("state"), QStringLiteral("frozen")}};
const QStringList kHeader{QStringLiteral("Адрес"), QStringLiteral("Год постройки"),
                          QStringLiteral("Кадастровый номер")};

QStringList DataLine(int n) {
    return {QStringLiteral("д. %1").arg(n), QString::number(1900 + n),
            QStringLiteral("0%1").arg(n)};
}

QByteArray TableOf(int dataLines) {
    std::vector<QStringList> lines{kHeader};
    for (int n = 1; n <= dataLines; ++n)
        lines.push_back(DataLine(n));
    return TableBytes(lines);
}

} // namespace

TEST(Workbook, NumbersAreNumbersAndEverythingElseIsTextNeverAFormula) {
    struct Case {
        QByteArray field;
        const char* kind; // nullptr: no cell
        QString shown;
    };
    const Case cases[] = {
        {"40", "n", QStringLiteral("40")},
        {"40.", "n", QStringLiteral("40")},
        {"-3.25", "n", QStringLiteral("-3.25")},
        {"0.5", "n", QStringLiteral("0.5")},
        {"007", "t", QStringLiteral("007")},
        {"50:55:0020116:93", "t", QStringLiteral("50:55:0020116:93")},
        {"=1+2", "t", QStringLiteral("=1+2")},
        {"=HYPERLINK(\"http://x\")", "t", QStringLiteral("=HYPERLINK(\"http://x\")")},
        {"+79991234567", "t", QStringLiteral("+79991234567")},
        {"-1+2", "t", QStringLiteral("-1+2")},
        {"@SUM(A1)", "t", QStringLiteral("@SUM(A1)")},
        {"35,5", "t", QStringLiteral("35,5")},
        {"12345678901234567", "t", QStringLiteral("12345678901234567")},
        {"ул. Кирова", "t", QStringLiteral("ул. Кирова")},
        {" 12 ", "t", QStringLiteral(" 12 ")},
        {"", nullptr, QString()},
        {"a\xFF"
         "b",
         "t", QStringLiteral("a\uFFFDb")}, // no UTF-8
        {QByteArray("n\0l", 3), "t", QStringLiteral("n\uFFFDl")},
        {"x\xEF\xBF\xBFy", "t", QStringLiteral("x\uFFFDy")}, // U+FFFF: no XML character
        {"\x07\x0B\x1B\r.", "t", QStringLiteral("\x07\x0B\x1B\r.")},
        {"_x0041_", "t", QStringLiteral("_x0041_")},
        {"<b>&amp;'\"", "t", QStringLiteral("<b>&amp;'\"")},
    };
    QByteArray table("h\r\n");
    for (const Case& c : cases)
        table += c.field + '\t';
    table += "end";
    const Converted converted = Convert(table);
    ASSERT_EQ(converted.sheets.size(), 1u);
    const auto& cells = converted.sheets[0].cells;
    for (int column = 0; column < static_cast<int>(std::size(cases)); ++column) {
        const Case& c = cases[column];
        SCOPED_TRACE(c.field.toStdString());
        const auto cell = cells.find({1, column});
        ASSERT_EQ(cell != cells.end(), c.kind != nullptr);
        if (c.kind != nullptr) {
            EXPECT_EQ(cell->second.kind, QString::fromLatin1(c.kind));
            EXPECT_EQ(cell->second.value, c.shown);
            EXPECT_FALSE(cell->second.bold);
        }
    }
    EXPECT_EQ(converted.cut, 0);
}

TEST(Workbook, EveryLineIsARowAndALongTableGoesOnInSheetsThatStartWithTheHeader) {
    struct Case {
        const char* name;
        QByteArray table;
        std::size_t limit;
        std::int64_t rows;
        std::vector<int> sheetRows;
    };
    const Case cases[] = {
        {"empty file", {}, 4, 0, {0}},
        {"byte-order mark alone", "\xEF\xBB\xBF", 4, 0, {0}},
        {"no rows", TableOf(0), 4, 1, {1}},
        {"250 rows", TableOf(250), 1048576, 251, {251}},
        {"rows that fill a sheet", TableOf(3), 4, 4, {4}},
        {"one row more", TableOf(4), 4, 5, {4, 2}},
        {"two rows a sheet", TableOf(3), 2, 4, {2, 2, 2}},
        {"LF, no mark, no last line end", "h\nr1\nr2", 4, 3, {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Converted converted = Convert(c.table, c.limit);
        EXPECT_EQ(converted.rows, c.rows);
        ASSERT_EQ(converted.sheets.size(), c.sheetRows.size());
        int n = 0;
        for (std::size_t s = 0; s < converted.sheets.size(); ++s) {
            const ReadSheet& sheet = converted.sheets[s];
            EXPECT_EQ(sheet.pane, kFrozenHeader);
            ASSERT_EQ(sheet.RowCount(), c.sheetRows[s]);
            if (c.table.startsWith("\xEF\xBB\xBF") && sheet.RowCount() > 0) {
                EXPECT_EQ(sheet.Row(0), kHeader);
                EXPECT_TRUE(sheet.cells.at({0, 1}).bold);
                for (int row = 1; row < sheet.RowCount(); ++row)
                    EXPECT_EQ(sheet.Row(row), DataLine(++n));
            }
        }
    }
}

TEST(Workbook, OverLongFieldsAreCutToTheCellLimitAndCounted) {
    const int limit = 32767;
    const QString fields[] = {QString(limit, u'b'), QString(40000, u'a'), QString(33000, u'ж'),
                              QString(200000, u'z')}; // the last beyond what is kept of a field
    const Converted converted =
        Convert(TableBytes({{QStringLiteral("h")}, {fields[0], fields[1], fields[2], fields[3]}}));
    EXPECT_EQ(converted.cut, 3);
    EXPECT_EQ(converted.sheets.at(0).Row(1),
              (QStringList{fields[0], fields[1].left(limit), fields[2].left(limit),
                           fields[3].left(limit)}));
}

// libxlsxwriter prints numbers with printf: a locale with a decimal comma would write "40,5".
TEST(Workbook, NumbersAndWidthsHaveADecimalPointUnderACommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "ru_RU.UTF-8") == nullptr)
        GTEST_SKIP() << "no ru_RU.UTF-8 locale (scripts/setup-deps.sh makes it)";
    std::vector<ReadSheet> sheets;
    try {
        sheets = Convert(TableBytes({kHeader, {QStringLiteral("40.5")}})).sheets;
    } catch (...) {
        std::setlocale(LC_ALL, previous.c_str());
        throw;
    }
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(sheets.at(0).cells.at({1, 0}).value, QStringLiteral("40.5"));
    EXPECT_GT(sheets.at(0).widths.at(1), 14);
}

TEST(Workbook, ColumnsAreSizedFromTheHeaderAndTheFirstRowsWithinTheCap) {
    std::vector<QStringList> lines{
        {QStringLiteral("Адрес"), QStringLiteral("N"), QStringLiteral("X")}};
    lines.push_back({QString(40, u'д'), QStringLiteral("1"), QString(300, u'я')});
    for (int n = 0; n < 150; ++n)
        lines.push_back({QStringLiteral("д. 1"), QStringLiteral("2"), QStringLiteral("-")});
    lines.push_back({QStringLiteral("x"), QString(40, u'9'), QStringLiteral("-")}); // not looked at
    for (const ReadSheet& sheet : Convert(TableBytes(lines), 100).sheets) {
        // The file holds each width with the cell's margin added, less than one digit.
        EXPECT_GT(sheet.widths.at(0), 40);
        EXPECT_LT(sheet.widths.at(0), ColumnWidths::kWidest);
        EXPECT_GE(sheet.widths.at(1), ColumnWidths::kNarrowest);
        EXPECT_LT(sheet.widths.at(1), ColumnWidths::kNarrowest + 1);
        EXPECT_GE(sheet.widths.at(2), ColumnWidths::kWidest);
        EXPECT_LT(sheet.widths.at(2), ColumnWidths::kWidest + 1);
    }
}
