#include "records/HouseRow.h"

#include "records/CardColumns.h"
#include "records/Coordinates.h"
#include "records/PassportColumns.h"
#include "records/TableHeader.h"

QStringList BuildHouseRow(const JsonValue& listItem, const QString& mapText,
                          const QString& passportText, const QString& cardText) {
    QStringList row(TableColumnCount);
    FillCardColumns(row, listItem, cardText);
    row[ColumnIndex(8)] = CoordinatesField(mapText);
    FillPassportColumns(row, passportText);
    return row;
}
