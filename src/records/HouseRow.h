#pragma once

#include "json/JsonValue.h"
#include <QString>
#include <QStringList>

// The 101 field texts of one house, in column order: columns 1 to 7 and 9 to 25 from the house
// list item and the card, column 8 from the map lookup, columns 26 to 101 from the passport.
// Each text is the answer's text, or empty when that request was not made or never succeeded.
// Nothing fails here: whatever the answers hold, the row is complete.
QStringList BuildHouseRow(const JsonValue& listItem, const QString& mapText,
                          const QString& passportText, const QString& cardText);

// The house requests whose answers fill columns of a row.
enum class HouseRequest { Map, Passport, Card };

// Whether the answer of `request` fills the column (numbered from 1); the other columns come
// from the house list item alone.
bool FilledByRequest(HouseRequest request, int column);
