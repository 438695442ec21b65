#pragma once

#include <QByteArray>

// The status code of a status line: its second space-separated word, up to any ".", read as a
// decimal integer; -1 when that word is missing or not a number.
int StatusCodeOf(const QByteArray& statusLine);

// Interim answers (1xx other than 101) are skipped while waiting for the final one.
inline bool IsInterimStatus(int code) {
    return code >= 100 && code < 200 && code != 101;
}
