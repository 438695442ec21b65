#include "JsonTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonAccess, EmptyAnswerIsEmptyTextValue) {
    const auto value = ParseLenient(u"");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->kind(), JsonKind::Text);
    EXPECT_EQ(IntegerAt(value, u"total"), 0);
    EXPECT_EQ(TextAt(value, u"total"), u"");
    EXPECT_EQ(AsArray(value), nullptr);
    EXPECT_EQ(AsArray(ValueAt(value, u"items")), nullptr);
}

TEST(JsonAccess, HtmlErrorPageGivesNothingAtAnyPath) {
    const QString page =
        QStringLiteral("<!DOCTYPE html>\n<html><head><title>502 Bad Gateway</title></head>\n"
                       "<body><h1>Bad Gateway</h1></body></html>\n");
    const auto value = ParseLenient(page);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->kind(), JsonKind::Text);
    EXPECT_EQ(value->asText(), page.chopped(1));
    for (const char16_t* path : {u"total", u"items", u"address.region", u"guid"}) {
        EXPECT_EQ(ValueAt(value, path), nullptr);
        EXPECT_EQ(TextAt(value, path), u"");
    }
}

TEST(JsonAccess, PathsStepOnlyIntoObjects) {
    const auto value = ParseLenient(
        u"{\"address\":{\"region\":{\"formalName\":\"Московская\",\"shortName\":\"обл\"},"
        "\"city\":null,\"house\":\"text\",\"list\":[{\"a\":1}]},\"total\":12}");
    struct Case {
        const char16_t* path;
        const char16_t* text; // nullptr: no value
    };
    const Case cases[] = {
        {u"total", u"12"},
        {u"address.region.formalName", u"Московская"},
        {u"address.region.shortName", u"обл"},
        {u"address.city", u"null"},
        {u"address.city.formalName", nullptr},
        {u"address.house.guid", nullptr},
        {u"address.list.a", nullptr},
        {u"address.list", u"[{\"a\":1}]"},
        {u"Total", nullptr},
        {u"address.", nullptr},
        {u"total.x", nullptr},
    };
    for (const Case& c : cases) {
        const JsonValue* found = ValueAt(value, c.path);
        EXPECT_EQ(found != nullptr, c.text != nullptr) << QString::fromUtf16(c.path).toStdString();
        EXPECT_EQ(TextAt(value, c.path), c.text ? QString::fromUtf16(c.text) : QString());
    }
    EXPECT_EQ(ValueAt(static_cast<const JsonValue*>(nullptr), u"total"), nullptr);
}

TEST(JsonAccess, IntegerAtPathFollowsTheConversionTable) {
    const auto value = ParseLenient(
        u"{\"t12\":\"12\",\"t12a\":\"12a\",\"tneg\":\"-7\",\"tspace\":\" 12\",\"tempty\":\"\","
        "\"tbig\":\"99999999999999999999\",\"f25\":2.5,\"f35\":3.5,\"fm25\":-2.5,\"fm35\":-3.5,"
        "\"f26\":2.6,\"fm26\":-2.6,\"g\":2.50000,\"g2\":3.50000e0,\"gbig\":1e300,\"gneg\":-1e300,"
        "\"yes\":true,\"no\":false,\"n\":null,\"arr\":[1],\"obj\":{\"a\":1},\"i\":-42}");
    struct Case {
        const char16_t* path;
        std::int64_t expected;
    };
    const Case cases[] = {
        {u"t12", 12},
        {u"t12a", 0},
        {u"tneg", -7},
        {u"tspace", 0},
        {u"tempty", 0},
        {u"tbig", 0},
        {u"f25", 2},
        {u"f35", 4},
        {u"fm25", -2},
        {u"fm35", -4},
        {u"f26", 3},
        {u"fm26", -3},
        {u"g", 2},
        {u"g2", 4},
        {u"gbig", std::numeric_limits<std::int64_t>::max()},
        {u"gneg", std::numeric_limits<std::int64_t>::min()},
        {u"yes", 1},
        {u"no", 0},
        {u"n", 0},
        {u"arr", 0},
        {u"obj", 0},
        {u"i", -42},
        {u"missing", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IntegerAt(value, c.path), c.expected) << QString::fromUtf16(c.path).toStdString();
}

TEST(JsonAccess, ArraysAndElements) {
    const auto value = ParseLenient(u"{\"items\":[\"a\",2,null],\"one\":{}}");
    const JsonArray* items = AsArray(ValueAt(value, u"items"));
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(ElementCount(*items), 3);
    ASSERT_NE(ElementAt(*items, 0), nullptr);
    EXPECT_EQ(OwnText(*ElementAt(*items, 0)), u"a");
    EXPECT_TRUE(ElementAt(*items, 2)->isNull());
    EXPECT_EQ(ElementAt(*items, 3), nullptr);
    EXPECT_EQ(ElementAt(*items, 5), nullptr);
    EXPECT_EQ(ElementAt(*items, -1), nullptr);
    EXPECT_EQ(AsArray(ValueAt(value, u"one")), nullptr);
    EXPECT_EQ(AsArray(ParseLenient(u"[]"))->size(), 0u);
}

} // namespace
