#pragma once

#include "workbook/ColumnWidths.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <vector>

// One house of a table as the comparison knows it: its key (the guid's 128 bits), where its row
// starts and a hash of the row's bytes. 32 bytes a house, so two tables of a million houses each
// are indexed in some 64 MB.
struct HouseEntry {
    std::uint64_t keyHigh = 0;
    std::uint64_t keyLow = 0;
    qint64 offset = 0;
    std::uint64_t rowHash = 0;

    bool SameHouse(const HouseEntry& other) const {
        return keyHigh == other.keyHigh && keyLow == other.keyLow;
    }
    bool operator<(const HouseEntry& other) const {
        if (keyHigh != other.keyHigh)
            return keyHigh < other.keyHigh;
        if (keyLow != other.keyLow)
            return keyLow < other.keyLow;
        return offset < other.offset;
    }
};

// The index of one table: its houses sorted by key, each by its first row only.
struct HouseIndex {
    QString path;
    qint64 rows = 0;
    qint64 repeatedRows = 0; // rows of a house that stands in an earlier row too
    QString firstRegion;     // column "Регион" of the first row
    std::vector<HouseEntry> houses;
};

// The 128-bit key of a house guid: the guid's own hex digits when it has the usual form
// (8-4-4-4-12), else two independent hashes of its text.
void HouseKey(QByteArrayView guid, HouseEntry& entry);

// Reads the table once (through TableRowReader, so a table that is not this program's is refused
// with its line and reason). `widths`, when given, is sized from the header and first rows.
// `expectedRows`: room made at once, so that a good guess spares the index the moment when it
// grows and holds its old and its new array together.
HouseIndex IndexTable(const QString& path, ColumnWidths* widths = nullptr, qint64 expectedRows = 0);
