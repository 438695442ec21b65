#pragma once

#include <QString>

// The number of distinct lines of the skip file, letter case aside; 0 when there is no such file
// or it cannot be read. The text's encoding comes from its byte-order mark, else the locale's.
int CountSkipLines(const QString& path);
