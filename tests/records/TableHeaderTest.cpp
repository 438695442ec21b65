#include "records/TableHeader.h"

#include "RecordsTestSupport.h"
#include "records/PassportColumns.h"

#include <gtest/gtest.h>

TEST(TableHeader, HasTheHundredAndOneNamesOfTheColumnList) {
    const QStringList expected =
        DataText(QStringLiteral("header-names.txt")).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(expected.size(), 101);
    const QStringList& names = TableHeaderNames();
    ASSERT_EQ(names.size(), TableColumnCount);
    for (int column = 1; column <= TableColumnCount; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(names[ColumnIndex(column)].toUtf8(), expected[ColumnIndex(column)].toUtf8());
    }
}

TEST(TableHeader, RepeatedNamesAreColumnsOfTheirOwn) {
    const QStringList& names = TableHeaderNames();
    struct Pair {
        int first;
        int second;
        const char16_t* name;
    };
    const Pair pairs[] = {
        {7, 29, u"Кадастровый номер"},        {5, 32, u"Год постройки"},
        {10, 33, u"Стадия жизненного цикла"}, {79, 89, u"Материал сети"},
        {82, 84, u"Физический износ"},        {16, 60, u"Тип внутренних стен"},
    };
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.first);
        EXPECT_EQ(names[ColumnIndex(pair.first)], QString::fromUtf16(pair.name));
        EXPECT_EQ(names[ColumnIndex(pair.second)], QString::fromUtf16(pair.name));
    }
}

TEST(TableHeader, NoNameHoldsATabOrLineBreak) {
    for (const QString& name : TableHeaderNames()) {
        EXPECT_FALSE(name.contains(u'\t') || name.contains(u'\r') || name.contains(u'\n'))
            << name.toStdString();
        EXPECT_FALSE(name.isEmpty());
    }
}

TEST(PassportCodes, FillColumns26To101InOrder) {
    const QStringList lines =
        DataText(QStringLiteral("passport-codes.txt")).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), PassportColumnCount);
    const auto& codes = PassportParamCodes();
    for (int slot = 0; slot < PassportColumnCount; ++slot) {
        const QStringList parts = lines[slot].split(u' ');
        ASSERT_EQ(parts.size(), 2);
        SCOPED_TRACE(parts[0].toStdString());
        EXPECT_EQ(parts[0].toInt(), FirstPassportColumn + slot);
        EXPECT_EQ(codes[static_cast<std::size_t>(slot)].toString(), parts[1]);
    }
}
