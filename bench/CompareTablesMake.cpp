// Makes the two tables of the comparison benchmark from one table of house rows (the one a
// harvest of the fake portal's demo region writes): "old.tab" of ROWS houses, the source's rows
// over and over, each with a guid of its own; "new.tab" the same houses but for every thousandth
// removed, every hundredth with the wear of column 52 changed, and one new house per thousand.
//
//   compare_tables_make SOURCE.tab ROWS FOLDER/
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kGuidKey = "houseGuid=";
constexpr std::size_t kGuidLength = 36;
constexpr std::size_t kWearColumn = 52;

std::string Guid(long long number) {
    char text[40];
    std::snprintf(text, sizeof text, "%08llx-0000-4000-8000-%012llx", number * 2654435761LL % 0xFFFFFFFF,
                  number);
    return text;
}

std::string WithGuid(std::string row, long long number) {
    const std::size_t at = row.find(kGuidKey) + kGuidKey.size();
    row.replace(at, kGuidLength, Guid(number));
    return row;
}

std::string WithOtherWear(std::string row) {
    std::size_t start = 0;
    for (std::size_t column = 1; column < kWearColumn; ++column)
        start = row.find('\t', start) + 1;
    const std::size_t end = row.find('\t', start);
    const std::string wear = row.substr(start, end - start) == "95.5" ? "96.5" : "95.5";
    return row.replace(start, end - start, wear);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: compare_tables_make SOURCE.tab ROWS FOLDER/\n";
        return 2;
    }
    std::ifstream source(argv[1], std::ios::binary);
    std::string header;
    std::getline(source, header);
    std::vector<std::string> rows;
    for (std::string line; std::getline(source, line);)
        rows.push_back(line); // CR kept, LF dropped
    const long long count = std::stoll(argv[2]);
    const std::string folder = argv[3];
    std::ofstream oldTable(folder + "old.tab", std::ios::binary);
    std::ofstream newTable(folder + "new.tab", std::ios::binary);
    oldTable << header << '\n';
    newTable << header << '\n';
    for (long long k = 0; k < count; ++k) {
        const std::string row = WithGuid(rows[std::size_t(k) % rows.size()], k);
        oldTable << row << '\n';
        if (k % 1000 == 7)
            continue;
        newTable << (k % 100 == 3 ? WithOtherWear(row) : row) << '\n';
        if (k % 1000 == 500)
            newTable << WithGuid(rows[std::size_t(k) % rows.size()], count + k) << '\n';
    }
    return oldTable && newTable ? 0 : 1;
}
