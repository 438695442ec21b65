#include "compare/FieldComparison.h"

#include "workbook/PlainNumber.h"

#include <optional>
#include <string>

namespace {

QByteArrayView WithoutSpaces(QByteArrayView field) {
    while (!field.isEmpty() && field.front() == ' ')
        field = field.sliced(1);
    while (!field.isEmpty() && field.back() == ' ')
        field = field.chopped(1);
    return field;
}

// The value of a field that the workbook shows as a number, or that is one written with a
// decimal comma.
std::optional<double> NumberOf(QByteArrayView field) {
    const qsizetype comma = field.indexOf(',');
    if (comma < 0)
        return PlainNumber(std::string_view(field.data(), std::size_t(field.size())));
    if (field.indexOf(',', comma + 1) >= 0 || field.indexOf('.') >= 0)
        return std::nullopt;
    std::string pointed(field.data(), std::size_t(field.size()));
    pointed[std::size_t(comma)] = '.';
    return PlainNumber(pointed);
}

} // namespace

RowFields SplitRow(QByteArrayView row) {
    RowFields fields;
    qsizetype start = 0;
    for (std::size_t column = 0; column < fields.size(); ++column) {
        const qsizetype end = column + 1 == fields.size() ? -1 : row.indexOf('\t', start);
        fields[column] = row.sliced(start, (end < 0 ? row.size() : end) - start);
        if (end < 0)
            break;
        start = end + 1;
    }
    return fields;
}

bool SameField(QByteArrayView oldField, QByteArrayView newField) {
    oldField = WithoutSpaces(oldField);
    newField = WithoutSpaces(newField);
    if (oldField == newField)
        return true;
    const std::optional<double> oldNumber = NumberOf(oldField);
    if (!oldNumber)
        return false;
    const std::optional<double> newNumber = NumberOf(newField);
    return newNumber && *oldNumber == *newNumber;
}
