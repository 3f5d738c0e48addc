// Runs the fuzz body (load_fuzz.cpp) once over every file in the directories
// named on the command line, in name order: the fuzzer's entry points
// called the way libFuzzer calls them, in a build without libFuzzer. A
// crash or a sanitizer report ends the run like any other failed test; the
// file being run is printed before it runs, so the culprit is the last one
// named.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The regular files directly in `dir`, sorted; empty when there are none
// or `dir` cannot be listed.
std::vector<std::filesystem::path> files_in(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY...\n", argv[0]);
        return 2;
    }
    LLVMFuzzerInitialize(&argc, &argv);
    std::size_t replayed = 0;
    for (int a = 1; a < argc; ++a) {
        const std::vector<std::filesystem::path> files = files_in(argv[a]);
        // An empty or missing directory would make the test pass vacuously.
        if (files.empty()) {
            std::fprintf(stderr, "%s: no input files\n", argv[a]);
            return 1;
        }
        for (const std::filesystem::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                                  std::istreambuf_iterator<char>()};
            if (!in.good() && !in.eof()) {
                std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
                return 1;
            }
            std::printf("%s (%zu bytes)\n", file.c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return 0;
}
