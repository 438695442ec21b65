// Counts meet their nouns in the right Russian form, the teens included.
#include "base/RussianPlural.h"

#include <gtest/gtest.h>

TEST(RussianPluralTest, FormFollowsTheLastDigitsOfTheCount) {
    const struct {
        qint64 count;
        const char* expected;
    } cases[] = {{0, "0 домов"},     {1, "1 дом"},        {2, "2 дома"},    {4, "4 дома"},
                 {5, "5 домов"},     {11, "11 домов"},    {12, "12 домов"}, {14, "14 домов"},
                 {21, "21 дом"},     {22, "22 дома"},     {101, "101 дом"}, {111, "111 домов"},
                 {112, "112 домов"}, {1004, "1004 дома"}, {-1, "-1 дом"}};
    for (const auto& c : cases)
        EXPECT_EQ(CountOf(c.count, QStringLiteral("дом"), QStringLiteral("дома"),
                          QStringLiteral("домов")),
                  QString::fromUtf8(c.expected))
            << c.count;
}
