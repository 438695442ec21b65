#pragma once

#include "directory/DirectoryEntry.h"

#include <QString>
#include <vector>

// The entry that a region, city or street given on the command line stands for, or why there is
// none. `kind` names the level in the messages ("регион", "город", "улица").
struct AddressChoice {
    DirectoryEntry entry;
    QString error;
    bool Ok() const { return error.isEmpty(); }
};

// Finds `given` among `entries`: by code first, then by the whole display text ("formalName
// shortName"), then by the display text without its last word (formalName alone); letter case
// does not matter. Entries with the same code count once. No match, or more than one at the
// first level that matches, gives an error; an ambiguous name lists every candidate with its
// code.
AddressChoice ChooseEntry(const std::vector<DirectoryEntry>& entries, const QString& given,
                          const QString& kind);

// One line of a directory listing: the code, a TAB, the display text.
QString ListingLine(const DirectoryEntry& entry);
