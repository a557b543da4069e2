// Replay driver: runs a fuzz harness once over every input named on the command line
// (folders walked recursively, in name order; absent ones skipped), as the fuzzer runs its
// corpus on start. Fails when there is no input at all.
// Linked instead of libFuzzer into the test build, so CTest replays known inputs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize);

namespace {

// Regular files at or below path; false when path cannot be read. A path that does not
// exist holds nothing (a target without regression inputs yet).
bool CollectInputs(const std::filesystem::path& path, std::vector<std::filesystem::path>& files) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return !ec;
    }
    if (std::filesystem::is_regular_file(path, ec)) {
        files.push_back(path);
        return true;
    }
    if (!std::filesystem::is_directory(path, ec)) {
        return false;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
        if (entry.is_regular_file(ec)) {
            files.push_back(entry.path());
        }
    }
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> found;
        if (!CollectInputs(argv[i], found)) {
            std::fprintf(stderr, "replay: %s: cannot be read\n", argv[i]);
            return 2;
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s INPUT|FOLDER...  (at least one input)\n", argv[0]);
        return 2;
    }
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
        if (!in.is_open() || in.bad()) {
            std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
            return 2;
        }
        // Named first, so the log of a crash shows which input caused it.
        std::printf("replay: %s (%zu bytes)\n", file.c_str(), data.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    std::printf("replay: %zu inputs, no failure\n", files.size());
    return 0;
}
