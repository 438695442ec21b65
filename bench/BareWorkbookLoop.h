#pragma once

#include <QString>

// The practical limit of a conversion: getline over the table, split at TAB, the layer's number
// rule, strings and numbers in libxlsxwriter's constant-memory mode, nothing else. Gives the
// table's line count; throws std::runtime_error when libxlsxwriter or the table fails.
long long BareLibxlsxwriterLoop(const QString& table, const QString& workbook);
