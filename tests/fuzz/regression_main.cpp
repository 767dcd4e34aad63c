// Runs a fuzz target over every file of the directories given: its seeds and the inputs of fixed
// findings. A directory that does not exist holds nothing; files whose names begin with '.' are skipped.
#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path directory(argv[i]);
        std::error_code error;
        if (!std::filesystem::is_directory(directory, error)) continue;
        for (const auto& item : std::filesystem::directory_iterator(directory)) {
            if (item.is_regular_file() && item.path().filename().string().front() != '.') {
                inputs.push_back(item.path());
            }
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    for (const auto& path : inputs) {
        // The name goes out first, so that a crash shows which input caused it.
        std::fprintf(stderr, "%s\n", path.c_str());
        const std::string bytes = pellisor::fuzz::readBytes(path.string());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu passed, 0 failed\n", inputs.size());
    return 0;
}
