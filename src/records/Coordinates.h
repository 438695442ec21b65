#pragma once

#include <QString>
#include <QStringView>

// The text of source after the first start marker (and, when middle is not empty, after the
// first middle marker behind it) up to the next finish marker. An empty start stands for the
// beginning of source, an empty finish for its end. Empty when a marker is missing.
QString TextBetween(QStringView source, QStringView start, QStringView middle, QStringView finish);

// Column 8, "longitude,latitude", cut out of the raw map lookup text: each number is the text
// between its member name with colon and the next comma, with spaces and control characters cut
// off both ends and "null" made empty. Empty when both are empty.
QString CoordinatesField(QStringView mapText);
