#pragma once

#include "json/JsonValue.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>

// Number of passport parameters the table shows, in columns 26 to 101.
inline constexpr int PassportColumnCount = 76;
inline constexpr int FirstPassportColumn = 26;

// The parameter codes of columns 26 to 101, in column order ("1", "2", "2.1", ... "16.2").
const std::array<QStringView, PassportColumnCount>& PassportParamCodes();

// The value text of the first parameter whose "paramCode" text equals code exactly; empty when
// there is no such parameter, no list, or when the value's text is "null". A value that is a
// number, object or array gives its JSON text.
QString PassportParamValue(QStringView code, const JsonArray* parameters);

// Fills columns 26 to 101 of a row of 101 fields from the passport answer text. A text that is
// empty, not JSON or without a "parameters" array leaves them empty.
void FillPassportColumns(QStringList& row, QStringView passportText);
