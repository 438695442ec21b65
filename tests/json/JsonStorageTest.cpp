#include "JsonTestSupport.h"

#include <gtest/gtest.h>

namespace {

// [{"a":1},{"a":1},...]: the answer whose objects cost the most beside their text.
QString tinyObjects(int count) {
    QString answer = QStringLiteral("[");
    for (int i = 0; i < count; ++i)
        answer += i > 0 ? u",{\"a\":1}" : u"{\"a\":1}";
    return answer + u']';
}

// The least budget under which the answer parses (a larger budget never refuses what a smaller
// one accepts).
std::size_t leastBudget(const QString& answer, std::size_t enough) {
    std::size_t refused = 0;
    while (refused + 1 < enough) {
        const std::size_t middle = refused + (enough - refused) / 2;
        (ParseLenient(answer, middle) ? enough : refused) = middle;
    }
    return enough;
}

TEST(ParseBudget, AnAnswerPastTheBudgetGivesNoValueOneWithinItParses) {
    constexpr int count = 10'000;
    const QString answer = tinyObjects(count);
    ASSERT_TRUE(ParseLenient(answer, DefaultParseBudget(answer)));
    const std::size_t least = leastBudget(answer, DefaultParseBudget(answer));

    const auto within = ParseLenient(answer, least);
    ASSERT_TRUE(within);
    EXPECT_EQ(ElementCount(*AsArray(within)), count);
    EXPECT_EQ(IntegerAt(ElementAt(*AsArray(within), count - 1), u"a"), 1);
    EXPECT_FALSE(ParseLenient(answer, least - 1));
    // Storage sized to what was read: 16 bytes per element and 24 per member, plus the parse's
    // stack of pending elements (16 bytes each, grown by doubling); the default leaves room.
    EXPECT_GE(least, std::size_t{count} * (16 + 24 + 16));
    EXPECT_LE(least, std::size_t{count} * (16 + 24 + 32) + 64 * 1024);
    EXPECT_LT(least, DefaultParseBudget(answer));
}

TEST(ParseBudget, TextsCountToo) {
    const QString page = QString(50'000, u'x'); // not JSON: one text value of 100,000 bytes
    EXPECT_FALSE(ParseLenient(page, 90'000));
    const auto value = ParseLenient(page, 200'000);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->asText(), page);
}

TEST(JsonStorage, CopiesOutliveTheTreeTheyCameFrom) {
    std::optional<JsonValue> parsed =
        ParseLenient(u"{\"a\":{\"b\":[1,\"x\",{\"c\":null}]},\"t\":\"text\",\"e\":[]}");
    ASSERT_TRUE(parsed);
    const JsonValue inner = *ValueAt(parsed, u"a");
    const JsonValue text = *ValueAt(parsed, u"t");
    const JsonValue whole = *parsed;

    // Moving the value at the top moves the tree's ownership, not the tree.
    const JsonValue* list = ValueAt(parsed, u"a.b");
    JsonValue moved = std::move(*parsed);
    parsed.reset();
    EXPECT_EQ(ValueAt(&moved, u"a.b"), list);
    EXPECT_EQ(OwnText(*list), u"[1,\"x\",{\"c\":null}]");
    moved = JsonValue(); // the parsed tree is gone now

    EXPECT_EQ(OwnText(inner), u"{\"b\":[1,\"x\",{\"c\":null}]}");
    EXPECT_EQ(OwnText(text), u"text");
    EXPECT_EQ(OwnText(whole), u"{\"t\":\"text\",\"e\":[],\"a\":{\"b\":[1,\"x\",{\"c\":null}]}}");
    EXPECT_EQ(TextAt(&whole, u"a.b"), u"[1,\"x\",{\"c\":null}]");
}

TEST(JsonStorage, EscapedAndPlainSpellingsOfANameAreOneName) {
    EXPECT_EQ(DescribeParse(u"[{\"a\":1,'\\x61':2},{\"\\u0061\":3,a:4},{\"a\":5}]"_qs),
              u"[{\"a\":2},{\"a\":4},{\"a\":5}]");
    const auto value = ParseLenient(u"{\"\\u0416\\\"\":1}");
    EXPECT_EQ(IntegerAt(value, u"Ж\""), 1);
}

TEST(JsonStorage, LongTextsAndArraysKeepEveryUnit) {
    // Past 16 KiB a block has a chunk of its own; escapes make a text shorter than its room.
    QString text;
    for (int i = 0; i < 20'000; ++i)
        text += QChar(u'a' + i % 26);
    QString numbers;
    for (int i = 0; i < 5'000; ++i)
        numbers += QString::number(i) + u',';
    numbers.chop(1);
    const QString answer = u"{\"long\":\"" + text + u"\",\"escaped\":\"\\u0041" + text +
                           u"\\n\",\"numbers\":[" + numbers + u"]}";
    const auto value = ParseLenient(answer);
    ASSERT_TRUE(value);
    EXPECT_EQ(TextAt(value, u"long"), text);
    EXPECT_EQ(TextAt(value, u"escaped"), QString(u"A" + text + u"\n"));
    EXPECT_EQ(TextAt(value, u"numbers"), QString(u"[" + numbers + u"]"));
}

} // namespace
