#include "workbook/CellText.h"
#include "workbook/PlainNumber.h"
#include "workbook/TableSplitter.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

TEST(PlainNumber, IsADecimalNumberWithoutLeadingZerosSignsOrExponents) {
    const std::pair<std::string_view, std::optional<double>> cases[] = {
        {"0", 0.0},
        {"40", 40.0},
        {"-7", -7.0},
        {"40.", 40.0},
        {"0.5", 0.5},
        {"-0.25", -0.25},
        {"-0", 0.0},
        {"123456789012345", 123456789012345.0},
        {"0.123456789012345", 0.123456789012345},
        {"", {}},
        {"-", {}},
        {".5", {}},
        {"007", {}},
        {"-01", {}},
        {"00.5", {}},
        {"+5", {}},
        {"1e5", {}},
        {"1,5", {}},
        {" 5", {}},
        {"5 ", {}},
        {"1.2.3", {}},
        {"0x10", {}},
        {"inf", {}},
        {"1234567890123456", {}}, // a 16th digit would be rounded away
        {"\xD9\xA3", {}},         // ARABIC-INDIC DIGIT THREE
    };
    for (const auto& [field, value] : cases)
        EXPECT_EQ(PlainNumber(field), value) << field;
}

TEST(CellText, IsCutToTheLimitInUtf16UnitsNeverWithinACharacterOrEscape) {
    struct Case {
        std::string_view field;
        std::size_t limit;
        std::string_view text;
        bool cut;
    };
    const Case cases[] = {
        {"abcde", 5, "abcde", false},
        {"abcdef", 5, "abcde", true},
        {"\xD0\xB6\xD0\xB6\xD0\xB6", 2, "\xD0\xB6\xD0\xB6", true}, // characters, not bytes
        {"abc\xF0\x9F\x98\x80", 5, "abc\xF0\x9F\x98\x80", false},  // U+1F600: two units
        {"abcd\xF0\x9F\x98\x80", 5, "abcd", true},
        {"_x0041_", 13, "_x005F_x0041_", false}, // an escape look-alike stays as written
        {"_x0041_", 10, "_x005F_x00", true},
        {"_x0041_", 6, "", true},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(MakeCellText(c.field, false, c.limit, text), c.cut) << c.field << c.limit;
        EXPECT_EQ(text, c.text) << c.field << c.limit;
    }
    std::string text;
    EXPECT_TRUE(MakeCellText("abc", true, 5, text)) << "a field longer than its bytes";
}

namespace {

// Records the lines; an overflowed field is marked with a trailing "+".
struct RecordingSink final : TableSink {
    bool Field(std::size_t column, std::string_view bytes, bool overflowed) override {
        if (column == 0)
            lines.emplace_back();
        lines.back().push_back(std::string(bytes) + (overflowed ? "+" : ""));
        return true;
    }
    bool LineEnd() override { return lines.size() < stopAfter; }
    std::vector<std::vector<std::string>> lines;
    std::size_t stopAfter = 100;
};

} // namespace

TEST(TableSplitter, SplitsFieldsAndLinesWhereverTheBlocksEndAndCapsFields) {
    using Lines = std::vector<std::vector<std::string>>;
    const std::pair<std::string_view, Lines> cases[] = {
        {"", {}},
        {"a\tb\r\n", {{"a", "b"}}},
        {"a\tb\n", {{"a", "b"}}},
        {"a\r\nb", {{"a"}, {"b"}}},
        {"\r\n\r\n", {{""}, {""}}},
        {"a\t\tb\t\r\n", {{"a", "", "b", ""}}},
        {"a\rb\r\r\n", {{"a\rb\r"}}}, // only the CR before LF belongs to the line end
        {"a\r", {{"a"}}},             // CR LF cut short at the end of the file
        {"abcd\tabcde\r\n", {{"abcd", "abcd+"}}},
        {"abcd\r\r\n", {{"abcd+"}}},
        {"abcdefghij", {{"abcd+"}}},
    };
    for (const auto& [input, lines] : cases) {
        for (const std::size_t block : {1, 3, 100}) {
            RecordingSink sink;
            TableSplitter splitter(sink, 4);
            for (std::size_t pos = 0; pos < input.size(); pos += block)
                splitter.Feed(input.substr(pos, block));
            splitter.Finish();
            EXPECT_EQ(sink.lines, lines) << input << " in blocks of " << block;
        }
    }
    RecordingSink sink;
    sink.stopAfter = 1;
    TableSplitter splitter(sink, 4);
    EXPECT_FALSE(splitter.Feed("a\r\nb\r\n"));
    EXPECT_EQ(sink.lines, (Lines{{"a"}}));
}
