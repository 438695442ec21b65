#include "JsonTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct KindCase {
    const char16_t* input;
    std::optional<JsonKind> kind; // nullopt: no value
    const char16_t* ownText;
};

// Test names carry the input, so control characters are written as escapes.
void PrintTo(const KindCase& c, std::ostream* os) {
    for (const QChar ch : QString::fromUtf16(c.input)) {
        if (ch.unicode() < 0x20)
            *os << "%" << std::hex << int(ch.unicode()) << std::dec;
        else
            *os << QString(ch).toStdString();
    }
}

class LenientParseKinds : public testing::TestWithParam<KindCase> {};

TEST_P(LenientParseKinds, GivesKindAndText) {
    const KindCase& c = GetParam();
    const std::optional<JsonValue> value = ParseLenient(QString::fromUtf16(c.input));
    ASSERT_EQ(value.has_value(), c.kind.has_value()) << QString::fromUtf16(c.input).toStdString();
    if (value) {
        EXPECT_EQ(value->kind(), *c.kind);
        EXPECT_EQ(OwnText(*value), QString::fromUtf16(c.ownText));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LenientParseKinds,
    testing::Values(
        // literals and numbers
        KindCase{u"null", JsonKind::Null, u"null"}, KindCase{u"true", JsonKind::Boolean, u"true"},
        KindCase{u"false", JsonKind::Boolean, u"false"},
        KindCase{u"1975", JsonKind::Integer, u"1975"}, KindCase{u"-3", JsonKind::Integer, u"-3"},
        KindCase{u"40.0", JsonKind::FixedPoint, u"40."},
        KindCase{u"40.00", JsonKind::FixedPoint, u"40."},
        KindCase{u"35.5", JsonKind::FixedPoint, u"35.5"},
        KindCase{u"0.50", JsonKind::FixedPoint, u"0.5"},
        KindCase{u"0.0", JsonKind::FixedPoint, u"0"},
        KindCase{u"-2.5", JsonKind::FixedPoint, u"-2.5"},
        KindCase{u"12.3456", JsonKind::FixedPoint, u"12.3456"},
        KindCase{u"0.0001", JsonKind::FixedPoint, u"0.0001"},
        KindCase{u"-0.0001", JsonKind::FixedPoint, u"-0.0001"},
        KindCase{u"1.2345", JsonKind::FixedPoint, u"1.2345"},
        KindCase{u"1.23456", JsonKind::Floating, u"1.23456"},
        KindCase{u"1e5", JsonKind::Floating, u"100000."},
        KindCase{u"2.5E-3", JsonKind::Floating, u"0.0025"},
        KindCase{u"1e20", JsonKind::Floating, u"1e+20"},
        KindCase{u"0.000012345", JsonKind::Floating, u"1.2345e-05"},
        KindCase{u"3.14159265358979323", JsonKind::Floating, u"3.14159265358979"},
        KindCase{u"9223372036854775807", JsonKind::Integer, u"9223372036854775807"},
        KindCase{u"-9223372036854775808", JsonKind::Integer, u"-9223372036854775808"},
        KindCase{u"9223372036854775808", JsonKind::Floating, u"9.22337203685478e+18"},
        KindCase{u"1e999", JsonKind::Floating, u"1.79769313486232e+308"},
        KindCase{u"-1e999", JsonKind::Floating, u"-1.79769313486232e+308"},
        KindCase{u"-1e-999", JsonKind::Floating, u"0"}, KindCase{u"0e0", JsonKind::Floating, u"0"},
        KindCase{u"1.", JsonKind::FixedPoint, u"1."},
        // strings
        KindCase{u"\"abc\"", JsonKind::Text, u"abc"},
        KindCase{u"'single'", JsonKind::Text, u"single"},
        KindCase{u"'it\\'s \"q\"'", JsonKind::Text, u"it's \"q\""},
        KindCase{u"\"\\x41\\x4a\"", JsonKind::Text, u"AJ"},
        KindCase{u"\"\\q\\%\\'\"", JsonKind::Text, u"q%'"},
        KindCase{u"\"\\u0416\\u00e9\"", JsonKind::Text, u"Жé"},
        KindCase{u"\"\\ud83d\"", JsonKind::Text, u"\xd83d"},
        KindCase{u"\"\\b\\f\\n\\r\\t\\/\\\\\"", JsonKind::Text, u"\b\f\n\r\t/\\"},
        KindCase{u"\"\\u12\"", JsonKind::Text, u"u12"},
        KindCase{u"\"\\xZ1\"", JsonKind::Text, u"xZ1"},
        KindCase{u"\"raw\ttab\nline\"", JsonKind::Text, u"raw\ttab\nline"},
        // white space and comments before the value; anything after it ignored
        KindCase{u" \t\r\n\f\b{\"a\":1}", JsonKind::Object, u"{\"a\":1}"},
        KindCase{u"/* c */ // line\n[1]", JsonKind::Array, u"[1]"},
        KindCase{u"{\"a\":1} trailing <html>", JsonKind::Object, u"{\"a\":1}"},
        KindCase{u"[1]]]", JsonKind::Array, u"[1]"}, KindCase{u"1-2", JsonKind::Integer, u"1"},
        KindCase{u"nullable", JsonKind::Null, u"null"},
        KindCase{u"[ 1 /* one */ , // two\n 2 ]", JsonKind::Array, u"[1,2]"},
        // unquoted member names run up to the colon
        KindCase{u"{total: 3, items : []}", JsonKind::Object, u"{\"items\":[],\"total\":3}"},
        KindCase{u"{'a b': 'x'}", JsonKind::Object, u"{\"a b\":\"x\"}"},
        // non-JSON text becomes a text value, escapes read, trailing spaces/CR/LF removed
        KindCase{u"", JsonKind::Text, u""}, KindCase{u"  \r\n ", JsonKind::Text, u""},
        KindCase{u"<html>Error</html>\r\n", JsonKind::Text, u"<html>Error</html>"},
        KindCase{u"  Not found \t \r\n", JsonKind::Text, u"Not found \t"},
        KindCase{u"path\\/to\\x41\\n", JsonKind::Text, u"path/toA"},
        KindCase{u"tru", JsonKind::Text, u"tru"}, KindCase{u"+5", JsonKind::Text, u"+5"},
        KindCase{u".5", JsonKind::Text, u".5"},
        KindCase{u"/* only a comment */", JsonKind::Text, u""},
        // malformed or cut short
        KindCase{u"{\"a\":1,", std::nullopt, u""}, KindCase{u"{\"a\":1", std::nullopt, u""},
        KindCase{u"{\"a\" 1}", std::nullopt, u""}, KindCase{u"[1 2]", std::nullopt, u""},
        KindCase{u"[1,]", std::nullopt, u""}, KindCase{u"[1-2]", std::nullopt, u""},
        KindCase{u"\"unclosed", std::nullopt, u""},
        KindCase{u"\"ends in backslash\\", std::nullopt, u""}, KindCase{u"[", std::nullopt, u""},
        KindCase{u"{a}", std::nullopt, u""}, KindCase{u"{:1}", std::nullopt, u""},
        KindCase{u"-", std::nullopt, u""}, KindCase{u"-abc", std::nullopt, u""},
        KindCase{u"1e", std::nullopt, u""}, KindCase{u"[tru]", std::nullopt, u""},
        KindCase{u"[nullx]", std::nullopt, u""}),
    [](const testing::TestParamInfo<KindCase>& info) {
        return "case" + std::to_string(info.index);
    });

TEST(LenientParse, LaterDuplicateMemberReplacesEarlier) {
    const auto value = ParseLenient(u"{\"a\":1,\"b\":2,\"a\":3,\"a\":{\"c\":4}}");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->members().size(), 2u);
    EXPECT_EQ(TextAt(value, u"a"), u"{\"c\":4}");
    EXPECT_EQ(TextAt(value, u"b"), u"2");
}

TEST(LenientParse, LargeObjectsKeepHashOrderAndTheLastDuplicate) {
    // Past a handful of members a different sort is used; both must give the same order.
    for (const int count : {3, 16, 17, 200}) {
        QString input = QStringLiteral("{");
        for (int i = 0; i < count; ++i)
            input += QStringLiteral("\"m%1\":%2,").arg(i).arg(i);
        for (int i = 0; i < count; i += 2)
            input += QStringLiteral("\"m%1\":%2,").arg(i).arg(-i);
        input += QStringLiteral("\"m0\":\"last\"}");
        const auto value = ParseLenient(input);
        ASSERT_TRUE(value);
        const auto members = value->members();
        ASSERT_EQ(members.size(), static_cast<std::size_t>(count));
        for (std::size_t i = 1; i < members.size(); ++i) {
            const QStringView previousName = members[i - 1].name();
            const QStringView currentName = members[i].name();
            const std::uint32_t previous = JsonNameHash(previousName);
            const std::uint32_t current = JsonNameHash(currentName);
            EXPECT_TRUE(previous > current || (previous == current && previousName < currentName))
                << count << ": " << previousName.toString().toStdString() << " before "
                << currentName.toString().toStdString();
        }
        EXPECT_EQ(TextAt(value, u"m0"), u"last");
        EXPECT_EQ(IntegerAt(value, u"m2"), count > 2 ? -2 : 0);
        EXPECT_EQ(IntegerAt(value, u"m1"), 1);
    }
}

TEST(LenientParse, MembersInHashOrder) {
    // Whatever order they arrive in, "shortName" comes first, then "fullName", then "guid".
    const QString orders[] = {
        u"{\"guid\":\"3\",\"shortName\":\"1\",\"fullName\":\"2\"}"_qs,
        u"{\"fullName\":\"2\",\"guid\":\"3\",\"shortName\":\"1\"}"_qs,
        u"{\"shortName\":\"1\",\"fullName\":\"2\",\"guid\":\"3\"}"_qs,
    };
    for (const QString& input : orders)
        EXPECT_EQ(DescribeParse(input), u"{\"shortName\":\"1\",\"fullName\":\"2\",\"guid\":\"3\"}");
}

TEST(LenientParse, NameHashIsTheDocumentedOne) {
    struct Case {
        const char16_t* name;
        std::uint32_t hash;
    };
    // hash := hash * 129 + c + 0x9E370001 (mod 2^32), from 0
    const Case cases[] = {
        {u"", 0u},
        {u"a", 0x9E370001u + 97u},
        {u"ab", (0x9E370001u + 97u) * 129u + 98u + 0x9E370001u},
        {u"\u0416", 0x9E370001u + 0x416u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JsonNameHash(QString::fromUtf16(c.name)), c.hash);
}

TEST(LenientParse, EqualHashesOrderedByCodeUnits) {
    // "b" + 129 and "c" + 0 collide: (98*129+ ... ) equal hashes need a tie-break by code units.
    // Find two distinct one- or two-unit names with one hash and check their order.
    const QString first = QString(QChar(u'b')) + QChar(u'\0');
    const QString second = QString(QChar(u'a')) + QChar(char16_t(129));
    ASSERT_EQ(JsonNameHash(first), JsonNameHash(second));
    const auto object = ParseLenient(u"{\"b\\u0000\":1,\"a\\u0081\":2}");
    ASSERT_TRUE(object);
    ASSERT_EQ(object->members().size(), 2u);
    EXPECT_EQ(object->members()[0].name(), second); // "a…" before "b…"
    EXPECT_EQ(object->members()[1].name(), first);
    EXPECT_EQ(IntegerAt(object, first), 1);
    EXPECT_EQ(IntegerAt(object, second), 2);
}

TEST(LenientParse, NestingLimitIs31Levels) {
    struct Case {
        int depth;
        bool emptyInnermost;
        bool parses;
    };
    const Case cases[] = {
        {30, false, true},
        {31, false, true},
        {32, false, false},
        {10000, false, false},
        // an empty container has no elements, so it does not count towards the limit
        {32, true, true},
        {33, true, false},
    };
    for (const Case& c : cases) {
        QString arrays = QString(c.depth, u'[');
        if (!c.emptyInnermost)
            arrays.append(u'1');
        arrays.append(QString(c.depth, u']'));
        EXPECT_EQ(ParseLenient(arrays).has_value(), c.parses) << "arrays " << c.depth;

        QString objects;
        for (int i = 0; i < c.depth - 1; ++i)
            objects.append(u"{\"k\":");
        objects.append(c.emptyInnermost ? u"{}" : u"{\"k\":1}");
        objects.append(QString(c.depth - 1, u'}'));
        EXPECT_EQ(ParseLenient(objects).has_value(), c.parses) << "objects " << c.depth;
    }
}

TEST(LenientParse, NullIsAValueDistinctFromNoValue) {
    const auto value = ParseLenient(u"{\"managementOrganization\":null,\"address\":null}");
    const JsonValue* organization = ValueAt(value, u"managementOrganization");
    ASSERT_NE(organization, nullptr);
    EXPECT_TRUE(organization->isNull());
    EXPECT_EQ(OwnText(*organization), u"null");
    EXPECT_EQ(ValueAt(value, u"absent"), nullptr);
    EXPECT_EQ(TextAt(value, u"address.region"), u"");
    EXPECT_EQ(ValueAt(value, u"address.region"), nullptr);
}

} // namespace
