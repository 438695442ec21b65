#pragma once

#include <QByteArray>

// Realistic portal answers, made deterministically, as UTF-8 bytes.
QByteArray SearchPageAnswer(int items);    // a house search page with Cyrillic addresses
QByteArray PassportAnswer(int parameters); // a technical passport with numbered parameters

// The smallest objects an answer can hold, many of them: [{"a":1},{"a":1},...], 8 bytes each.
QByteArray TinyObjectsAnswer(int objects);
