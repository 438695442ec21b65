#include "RecordsTestSupport.h"

#include "json/JsonAccess.h"

#include <QFile>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class TestOriginEnvironment : public ::testing::Environment {
public:
    void SetUp() override { qputenv("PORTAL_ORIGIN", TestOrigin().toUtf8()); }
};

[[maybe_unused]] ::testing::Environment* const kOriginEnvironment =
    ::testing::AddGlobalTestEnvironment(new TestOriginEnvironment);

} // namespace

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray DataBytes(const QString& name) {
    return ReadFileBytes(QStringLiteral(RECORDS_TEST_DATA "/") + name);
}

QString DataText(const QString& name) {
    return QString::fromUtf8(DataBytes(name));
}

JsonValue ParseJson(const QString& text) {
    std::optional<JsonValue> value = ParseLenient(text);
    if (!value)
        throw std::runtime_error("fixture is not JSON: " + text.toStdString());
    return std::move(*value);
}

QByteArray HeaderLineBytes() {
    const QStringList names =
        DataText(QStringLiteral("header-names.txt")).split(u'\n', Qt::SkipEmptyParts);
    return QByteArray("\xEF\xBB\xBF") + names.join(u'\t').toUtf8() + "\r\n";
}

QByteArray RowLineBytes(const QStringList& fields) {
    return fields.join(u'\t').toUtf8() + "\r\n";
}
