#include "JsonTestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace {

QString realisticSearchPage() {
    QString items;
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            items.append(u',');
        items.append(
            QStringLiteral(
                "{\"guid\":\"6f0e%1a2-1c1d-4b6b-9d2e-0a5c3f1e%1b7c\",\"houseType\":{\"code\":\"1\","
                "\"houseTypeName\":\"Многоквартирный\"},\"address\":{\"formattedAddress\":"
                "\"обл. Московская, г. Химки, ул. Ленина, д. %1\",\"region\":{\"formalName\":"
                "\"Московская\",\"shortName\":\"обл\"},\"city\":{\"formalName\":\"Химки\","
                "\"shortName\":\"г\"}},\"buildingYear\":19%1%1,\"maxFloorCount\":9,"
                "\"cadastreNumber\":null,\"deterioration\":35.50,\"area\":1234.56789,"
                "\"intWallMaterialList\":[{\"code\":\"2\",\"name\":\"Кирпич\"}],"
                "\"note\":'одинарные \\\"кавычки\\\"\\x41\\/'}")
                .arg(i + 5));
    }
    return QStringLiteral("{\"total\":3,\"items\":[") + items + QStringLiteral("]}");
}

TEST(JsonRobustness, EveryTruncationOfAnAnswerGivesNoValue) {
    const QString answer = realisticSearchPage();
    const auto whole = ParseLenient(answer);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->kind(), JsonKind::Object);
    EXPECT_EQ(IntegerAt(whole, u"total"), 3);
    EXPECT_EQ(ElementCount(*AsArray(ValueAt(whole, u"items"))), 3);

    const auto empty = ParseLenient(answer.first(0));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->kind(), JsonKind::Text);
    for (qsizetype cut = 1; cut < answer.size(); ++cut)
        EXPECT_FALSE(ParseLenient(answer.first(cut)).has_value()) << "cut at " << cut;
}

// The first character that the reader's white space (space, tab, LF, CR, FF, BS) leaves; a null
// character when there is none.
QChar firstAfterWhiteSpace(const QString& text) {
    for (const QChar c : text) {
        if (!QStringLiteral(" \t\n\r\f\b").contains(c))
            return c;
    }
    return QChar();
}

TEST(JsonRobustness, RandomInputNeverCrashesAndKindFollowsTheFirstCharacter) {
    std::mt19937 random(20261209);
    const char16_t alphabet[] = u"{}[]\"',:\\/*-+.0123456789eEtrufalsn xu\n\r\t\fЖ";
    constexpr int alphabetSize = sizeof(alphabet) / sizeof(alphabet[0]) - 1;
    for (int round = 0; round < 20000; ++round) {
        QString input;
        const int length = static_cast<int>(random() % 64);
        for (int i = 0; i < length; ++i) {
            const bool any = random() % 8 == 0;
            input.append(QChar(any ? static_cast<char16_t>(random() % 0x10000)
                                   : alphabet[random() % alphabetSize]));
        }
        const auto value = ParseLenient(input);
        if (value)
            (void)OwnText(*value);
        const QChar first = firstAfterWhiteSpace(input);
        const bool mayBeginValue =
            QStringLiteral("{[\"'-/tfn").contains(first) || (first >= u'0' && first <= u'9');
        // No value only comes from text that begins a value (or a comment before one); anything
        // else is kept as a text value.
        if (!value) {
            EXPECT_TRUE(mayBeginValue) << input.toStdString();
        } else if (!mayBeginValue) {
            EXPECT_EQ(value->kind(), JsonKind::Text) << input.toStdString();
        }
    }
}

TEST(JsonRobustness, DeepNestingIsRejectedWithoutExhaustingTheStack) {
    for (const int depth : {32, 10000, 1000000}) {
        const QString open(depth, u'[');
        EXPECT_FALSE(ParseLenient(open).has_value());
        const QString closed = open + QStringLiteral("1") + QString(depth, u']');
        EXPECT_FALSE(ParseLenient(closed).has_value());
        QString objects;
        for (int i = 0; i < depth; ++i)
            objects.append(u"{a:");
        EXPECT_FALSE(ParseLenient(objects).has_value());
    }
}

} // namespace
