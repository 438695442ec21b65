#pragma once

#include "json/JsonAccess.h"
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// Readers for the members of the portal's answers that the address directory and the harvest
// take for themselves (the row assembly reads its columns on its own). None of them fails: an
// answer that is not the expected JSON reads as empty.

// One element of a directory answer (regions, areas, cities, streets).
struct DirectoryItem {
    QString formalName;
    QString shortName;
    QString aoGuid;
};

// The elements of a directory answer; none unless the answer parses into a JSON array.
std::vector<DirectoryItem> ReadDirectoryItems(const QString& answer);

// A house search page: "total" as integer and as text, and "items" as array.
class SearchPageAnswer {
public:
    explicit SearchPageAnswer(const QString& answer);

    // Whether the answer parsed into a value at all (a cut-short or malformed JSON text does not).
    bool Parsed() const { return root_.has_value(); }
    // Whether it is a JSON object, as every search page is (an HTML error page reads as a text).
    bool IsObject() const { return root_ && root_->kind() == JsonKind::Object; }
    std::int64_t Total() const { return IntegerAt(root_, u"total"); }
    QString TotalText() const { return TextAt(root_, u"total"); }
    // The houses of this page; nullptr when "items" is missing or not an array.
    const JsonArray* Items() const { return AsArray(ValueAt(root_, u"items")); }

private:
    std::optional<JsonValue> root_;
};

// Of a house list item: its "guid", and the "code" of its "houseType" (empty when none).
QString HouseGuid(const JsonValue* item);
QString HouseTypeCode(const JsonValue* item);
