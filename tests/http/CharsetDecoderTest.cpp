#include "http/CharsetDecoder.h"

#include <gtest/gtest.h>

namespace {

// "Дом" in UTF-8 and in windows-1251.
const QByteArray kUtf8 = QByteArray("\xd0\x94\xd0\xbe\xd0\xbc");
const QByteArray kCp1251 = QByteArray("\xc4\xee\xec");
const QString kDom = QStringLiteral("Дом");

TEST(ParseContentType, SplitsTypeAndCharset) {
    const ContentTypeParts parts = ParseContentType("Text/HTML ; foo=bar; Charset=\"UTF-8\"");
    EXPECT_EQ(parts.mediaType, "text/html");
    EXPECT_EQ(parts.charset, "utf-8");
    EXPECT_EQ(ParseContentType("application/json;charset=windows-1251").charset, "windows-1251");
    EXPECT_EQ(ParseContentType("").mediaType, "");
}

TEST(DecodeBody, DecodesByTheAnswersCharset) {
    const struct {
        const char* contentType;
        QByteArray body;
        QString text;
    } cases[] = {
        {"application/json;charset=UTF-8", kUtf8, kDom},
        {"application/json; charset=windows-1251", kCp1251, kDom},
        {"text/html; charset=cp1251", kCp1251, kDom},
        {"text/plain; charset=KOI8-R", QByteArray("\xe4\xcf\xcd"), kDom},
        {"text/plain; charset=iso-8859-1", QByteArray("caf\xe9"), QStringLiteral("café")},
        // unknown charset: byte for byte
        {"text/plain; charset=x-no-such-charset", QByteArray("\xc4\xee"),
         QString(QChar(0xc4)) + QChar(0xee)},
        // text/* without charset: ISO-8859-1
        {"text/html", QByteArray("\xc4\xee"), QString(QChar(0xc4)) + QChar(0xee)},
        // XML text without charset: US-ASCII
        {"text/xml", QByteArray("a\xc4z"), QStringLiteral("a\uFFFDz")},
        {"text/atom+xml", QByteArray("a\xeez"), QStringLiteral("a\uFFFDz")},
        // other types without charset: byte for byte
        {"application/octet-stream", kUtf8, QString::fromLatin1(kUtf8)},
        {"", QByteArray("\xff"), QString(QChar(0xff))},
        // a charset that does not fit the bytes: replacement characters, the rest kept
        {"text/plain; charset=utf-8", QByteArray("a\xffz"), QStringLiteral("a\uFFFDz")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeBody(c.body, c.contentType), c.text) << c.contentType;
}

// JSON is defined as UTF-8: without a charset it is not decoded byte for byte, which would
// garble every Cyrillic letter of the table.
TEST(DecodeBody, JsonWithoutCharsetIsUtf8) {
    EXPECT_EQ(DecodeBody(kUtf8, "application/json"), kDom);
    EXPECT_EQ(DecodeBody(kUtf8, "application/problem+json"), kDom);
    EXPECT_NE(DecodeBody(kUtf8, "application/json"), QString::fromLatin1(kUtf8));
}

TEST(DecodeWithIconv, ReportsUnknownNames) {
    QString text;
    EXPECT_FALSE(DecodeWithIconv("x", "x-no-such-charset", text));
    ASSERT_TRUE(DecodeWithIconv(kCp1251, "CP1251", text));
    EXPECT_EQ(text, kDom);
    // a sequence cut short at the end
    ASSERT_TRUE(DecodeWithIconv(QByteArray("ab\xd0"), "UTF-8", text));
    EXPECT_EQ(text, QStringLiteral("ab\uFFFD"));
    // longer than one conversion chunk
    const QByteArray many = kCp1251.repeated(5000);
    ASSERT_TRUE(DecodeWithIconv(many, "windows-1251", text));
    EXPECT_EQ(text, kDom.repeated(5000));
}

} // namespace
