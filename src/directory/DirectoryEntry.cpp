#include "directory/DirectoryEntry.h"

#include "json/JsonAccess.h"

DirectoryEntry MakeDirectoryEntry(const JsonValue& item) {
    return {TextAt(&item, u"formalName") + QLatin1Char(' ') + TextAt(&item, u"shortName"),
            TextAt(&item, u"aoGuid")};
}

DirectoryAnswer ReadDirectoryAnswer(const QString& answer) {
    DirectoryAnswer result;
    const std::optional<JsonValue> root = ParseLenient(answer);
    const JsonArray* elements = AsArray(root);
    if (elements == nullptr)
        return result;
    result.isArray = true;
    result.entries.reserve(elements->size());
    for (const JsonValue& element : *elements)
        result.entries.push_back(MakeDirectoryEntry(element));
    return result;
}
