#pragma once

#include "json/JsonValue.h"
#include <QString>
#include <vector>

// One line of an address list: what the user sees and the code that narrows the next level and
// goes into the house search. The lists' placeholders are not entries: they carry no code.
struct DirectoryEntry {
    QString text; // formalName, one space, shortName
    QString code; // aoGuid, exactly as the portal sent it
};

// What a directory answer gives: its entries in the portal's order, and whether it was a JSON
// array at all (an empty array is one; a page of HTML or a cut-short answer is not).
struct DirectoryAnswer {
    bool isArray = false;
    std::vector<DirectoryEntry> entries;
};

// The entry of one element of a directory answer; missing members give empty texts.
DirectoryEntry MakeDirectoryEntry(const JsonValue& item);

// Reads a whole answer text leniently. Never fails.
DirectoryAnswer ReadDirectoryAnswer(const QString& answer);
