#include "portal/PortalAnswers.h"

std::vector<DirectoryItem> ReadDirectoryItems(const QString& answer) {
    std::vector<DirectoryItem> items;
    const std::optional<JsonValue> root = ParseLenient(answer);
    const JsonArray* elements = AsArray(root);
    if (elements == nullptr)
        return items;
    items.reserve(elements->size());
    for (const JsonValue& element : *elements) {
        items.push_back({TextAt(&element, u"formalName"), TextAt(&element, u"shortName"),
                         TextAt(&element, u"aoGuid")});
    }
    return items;
}

SearchPageAnswer::SearchPageAnswer(const QString& answer) : root_(ParseLenient(answer)) {}

QString HouseGuid(const JsonValue* item) {
    return TextAt(item, u"guid");
}

QString HouseTypeCode(const JsonValue* item) {
    return TextAt(item, u"houseType.code");
}
