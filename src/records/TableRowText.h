#pragma once

#include <QString>
#include <QStringList>

// The text of one table line without its line break: the fields joined by one TAB each. A TAB,
// CR or LF inside a field becomes one space: a TAB would shift the row's later columns and a line
// break would split the house across two lines, and every reader of the table would take the
// wrong columns from then on.
QString TableRowText(const QStringList& fields);
