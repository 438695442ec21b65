#pragma once

#include "json/JsonValue.h"

#include <QStringList>
#include <QStringView>

// Fills columns 1 to 7 and 9 to 25 of a row of 101 fields: the links, address and building data
// of the house list item, and the type, stage, condition and organisations of the house card.
// A card text that is not a JSON object (the empty text included) leaves the card columns empty.
void FillCardColumns(QStringList& row, const JsonValue& listItem, QStringView cardText);
