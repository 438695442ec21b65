#pragma once

#include "json/JsonValue.h"

#include <QString>
#include <QStringView>

// The two ways a column takes a member's text.

// The text at the path as it is; a JSON null gives "null", which stays.
QString PlainText(const JsonValue* value, QStringView path);

// The text at the path, except that exactly "null" becomes empty.
QString ClearedText(const JsonValue* value, QStringView path);

// Empty when the text is exactly "null", else the text.
QString ClearNull(QString text);
