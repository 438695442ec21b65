#include "portal/PortalAnswers.h"

#include <gtest/gtest.h>

namespace {

TEST(PortalAnswers, DirectoryItemsOnlyFromAnArray) {
    const std::vector<DirectoryItem> items = ReadDirectoryItems(QStringLiteral(
        R"([{"aoGuid":"g1","formalName":"Тестовая","shortName":"обл","offName":"x"},)"
        R"({"formalName":"Без кода"},7])"));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].formalName, QStringLiteral("Тестовая"));
    EXPECT_EQ(items[0].shortName, QStringLiteral("обл"));
    EXPECT_EQ(items[0].aoGuid, QStringLiteral("g1"));
    EXPECT_EQ(items[1].aoGuid, QString());
    EXPECT_EQ(items[2].formalName, QString());
    EXPECT_TRUE(ReadDirectoryItems(QStringLiteral(R"({"aoGuid":"g1"})")).empty());
    EXPECT_TRUE(ReadDirectoryItems(QStringLiteral("<html>error</html>")).empty());
    EXPECT_TRUE(ReadDirectoryItems(QString()).empty());
}

TEST(PortalAnswers, SearchPageTotalAndItems) {
    const SearchPageAnswer page(QStringLiteral(
        R"({"total":1234,"items":[{"guid":"h1","houseType":{"code":"1"}},{"guid":"h2"}]})"));
    EXPECT_EQ(page.Total(), 1234);
    EXPECT_EQ(page.TotalText(), QStringLiteral("1234"));
    ASSERT_NE(page.Items(), nullptr);
    ASSERT_EQ(ElementCount(*page.Items()), 2);
    EXPECT_EQ(HouseGuid(ElementAt(*page.Items(), 0)), QStringLiteral("h1"));
    EXPECT_EQ(HouseTypeCode(ElementAt(*page.Items(), 0)), QStringLiteral("1"));
    EXPECT_EQ(HouseGuid(ElementAt(*page.Items(), 1)), QStringLiteral("h2"));
    EXPECT_EQ(HouseTypeCode(ElementAt(*page.Items(), 1)), QString());
}

TEST(PortalAnswers, SearchPageThatIsNotJson) {
    const SearchPageAnswer page(QStringLiteral(" \r\n\t "));
    EXPECT_EQ(page.Total(), 0);
    EXPECT_EQ(page.Items(), nullptr);
    const SearchPageAnswer truncated(QStringLiteral(R"({"total":5,"items":[{"gu)"));
    EXPECT_EQ(truncated.Total(), 0);
    EXPECT_EQ(truncated.Items(), nullptr);
}

} // namespace
