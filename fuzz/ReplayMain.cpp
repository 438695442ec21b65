// Feeds every file of the given folders (or the given files) to the fuzz target once, so the
// seed corpus is replayed by ordinary test builds without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replayFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path target(argv[i]);
        if (std::filesystem::is_directory(target)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(target)) {
                if (entry.is_regular_file() && replayFile(entry.path()))
                    ++replayed;
            }
        } else if (replayFile(target)) {
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
