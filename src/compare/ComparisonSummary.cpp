#include "compare/ComparisonSummary.h"

#include "workbook/WorkbookWriter.h"

#include <algorithm>
#include <numeric>

namespace {

class SummaryLines {
public:
    SummaryLines(WorkbookWriter& writer, std::size_t sheet) : writer_(writer), sheet_(sheet) {}

    SummaryLines& Text(const QString& text, bool bold = false) {
        if (!text.isEmpty())
            writer_.WriteText(sheet_, row_, column_, text.toStdString(), bold);
        ++column_;
        return *this;
    }
    SummaryLines& Number(qint64 value) {
        writer_.WriteNumber(sheet_, row_, column_++, double(value), false);
        return *this;
    }
    void End() {
        ++row_;
        column_ = 0;
    }

private:
    WorkbookWriter& writer_;
    std::size_t sheet_;
    std::uint32_t row_ = 0;
    std::size_t column_ = 0;
};

void Table(SummaryLines& lines, const QString& role, const TableFacts& facts) {
    lines.Text(role)
        .Text(facts.name)
        .Number(facts.rows)
        .Text(facts.modified.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")))
        .Text(facts.region)
        .Number(facts.repeatedRows)
        .End();
}

} // namespace

void WriteSummary(WorkbookWriter& writer, std::size_t sheet, const ComparisonSummary& summary) {
    const double widths[] = {34, 24, 12, 20, 30, 22};
    for (std::size_t column = 0; column < std::size(widths); ++column)
        writer.SetColumnWidth(sheet, column, widths[column]);
    SummaryLines lines(writer, sheet);
    lines.Text(QStringLiteral("Таблица"), true)
        .Text(QStringLiteral("Файл"), true)
        .Text(QStringLiteral("Строк"), true)
        .Text(QStringLiteral("Дата файла"), true)
        .Text(QStringLiteral("Регион (первая строка)"), true)
        .Text(QStringLiteral("Повторных строк дома"), true)
        .End();
    Table(lines, QStringLiteral("Старая"), summary.oldTable);
    Table(lines, QStringLiteral("Новая"), summary.newTable);
    lines.End();

    const ComparisonCounts& counts = summary.counts;
    lines.Text(QStringLiteral("Дома"), true).Text(QStringLiteral("Число"), true).End();
    lines.Text(QStringLiteral("Новые")).Number(counts.added).End();
    lines.Text(QStringLiteral("Исчезнувшие")).Number(counts.removed).End();
    lines.Text(QStringLiteral("Изменённые")).Number(counts.changed).End();
    lines.Text(QStringLiteral("Без изменений")).Number(counts.unchanged).End();
    lines.End();

    lines.Text(QStringLiteral("Столбец"), true)
        .Text(QStringLiteral("Номер столбца"), true)
        .Text(QStringLiteral("Изменённых домов"), true)
        .End();
    std::array<int, TableColumnCount> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return summary.columnChanges[std::size_t(a)] > summary.columnChanges[std::size_t(b)];
    });
    const QStringList& names = TableHeaderNames();
    for (const int column : order)
        lines.Text(names[column])
            .Number(column + 1)
            .Number(summary.columnChanges[std::size_t(column)])
            .End();
}
