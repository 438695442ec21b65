#pragma once

#include <QByteArray>

// Realistic portal answers, made deterministically, as UTF-8 bytes.
QByteArray SearchPageAnswer(int items);    // a house search page with Cyrillic addresses
QByteArray PassportAnswer(int parameters); // a technical passport with numbered parameters
