#include "records/FieldTexts.h"

#include "json/JsonAccess.h"

QString PlainText(const JsonValue* value, QStringView path) {
    return TextAt(value, path);
}

QString ClearedText(const JsonValue* value, QStringView path) {
    return ClearNull(TextAt(value, path));
}

QString ClearNull(QString text) {
    if (text == u"null")
        text.clear();
    return text;
}
