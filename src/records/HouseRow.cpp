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

bool FilledByRequest(HouseRequest request, int column) {
    switch (request) {
    case HouseRequest::Map:
        return column == 8;
    case HouseRequest::Passport:
        return column >= 26 && column <= TableColumnCount;
    case HouseRequest::Card:
        return column == 9 || column == 10 || column == 15 || (column >= 19 && column <= 25);
    }
    return false;
}
