#include "JsonTestSupport.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

TEST(JsonOwnText, TextsInsideArraysAndObjectsEscapeExactlyFourCharacters) {
    struct Case {
        const char16_t* input;
        const char16_t* ownText;
    };
    const Case cases[] = {
        {u"[\"/\"]", u"[\"\\/\"]"},
        {u"\"/\"", u"/"},
        {u"[\"a\\\"b\\\\c\"]", u"[\"a\\\"b\\\\c\"]"},
        {u"[\"\\u0000\"]", u"[\"\\u0000\"]"},
        // line breaks, tabs and non-ASCII letters are written unchanged
        {u"[\"\\n\\t\\r\", \"Ж\\u00e9\"]", u"[\"\n\t\r\",\"Жé\"]"},
        {u"{\"a/b\":\"c\"}", u"{\"a\\/b\":\"c\"}"},
        {u"[]", u"[]"},
        {u"{}", u"{}"},
        {u"[null,true,false,1,-2.50,1.23456,[],{}]", u"[null,true,false,1,-2.5,1.23456,[],{}]"},
        {u"{ \"x\" : [ 1 , { \"y\" : null } ] }", u"{\"x\":[1,{\"y\":null}]}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeParse(QString::fromUtf16(c.input)), QString::fromUtf16(c.ownText));
}

TEST(JsonOwnText, FixedPointFromCount) {
    struct Case {
        std::int64_t count;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {400000, "40."},
        {355000, "35.5"},
        {5000, "0.5"},
        {-25000, "-2.5"},
        {123456, "12.3456"},
        {1, "0.0001"},
        {-1, "-0.0001"},
        {10000, "1."},
        {-10000, "-1."},
        {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"},
        {std::numeric_limits<std::int64_t>::max(), "922337203685477.5807"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OwnText(JsonValue::fixedPoint(c.count)), QString::fromLatin1(c.text)) << c.count;
}

TEST(JsonOwnText, FloatingUsesFifteenDigitsAndAPointWhateverTheLocale) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1.23456, "1.23456"},
        {0.1 + 0.2, "0.3"},
        {1e5, "100000."},
        {123456789012345678.0, "1.23456789012346e+17"},
        {1e-5, "1e-05"},
        {-55.7558712, "-55.7558712"},
        {0.0001234567, "0.0001234567"},
    };
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A locale whose decimal point is a comma (the set-up script generates it); the texts must
    // not change under it.
    ASSERT_NE(std::setlocale(LC_NUMERIC, "ru_RU.UTF-8"), nullptr);
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    for (const Case& c : cases)
        EXPECT_EQ(OwnText(JsonValue::floating(c.value)), QString::fromLatin1(c.text)) << c.text;
    std::setlocale(LC_NUMERIC, saved.c_str());
}

} // namespace
