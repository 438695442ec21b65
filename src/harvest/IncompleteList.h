#pragma once

#include <QString>

struct RunHistory;

// The list of a table's incomplete houses for the user, beside the table: "data<n>.tab" has
// "data<n>-incomplete.txt", a header line, then one line per house: its guid, TAB, the parts
// missing ("координаты, паспорт, карточка"); when search pages were lost, an empty line, a
// second header line and one line per page: its number, TAB, the city, TAB, the street.
// UTF-8, CR LF. The run's record is what counts;
// the list is written anew from it at the end of every run.
QString IncompleteListPath(const QString& tablePath);

// Writes the list under a temporary name and renames it; fails with MessageError.
void SaveIncompleteList(const QString& path, const RunHistory& history);

// Removes a list that no longer has houses to name.
void RemoveIncompleteList(const QString& path);
