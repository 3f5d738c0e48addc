// The fuzz body of the user's pictures: arbitrary bytes taken as the file
// given to zarvo-render --picture and run through the same decoding (the
// format sniffing, the size claims, libpng, libjpeg or the BMP reader, the
// grey and the fit into the sheet) from memory.
//
// The largest side taken is 1024 rather than 16384: the work a picture
// costs grows with its claimed size whatever its file's size (a few bytes
// of run-length code fill a BMP of any height), and the code between is the
// same for every size, so a smaller limit keeps each input fast enough for
// the fuzzer to tell a loop that never ends from a big picture.
//
// Contract: the decoding ends; it succeeds with a full sheet, or fails with
// one line that names the input and says what was wrong. A breach aborts,
// so the fuzzer keeps the input like a crash.
//
// The same body runs in every build over the committed inputs (replay_main.cpp)
// and, built with -DZARVO_FUZZ=ON, under libFuzzer (see tests/fuzz/CMakeLists.txt).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/user_picture.hpp"
#include "inputs/grey_sheet.hpp"

namespace {

constexpr int kFuzzMaxSide = 1024;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> sheet;
    const std::string error = read_user_picture_bytes(data, size, "input", sheet, kFuzzMaxSide);
    if (error.empty()) {
        require(sheet.size() == static_cast<std::size_t>(kSheetSide) * kSheetSide);
    } else {
        require(sheet.empty());
        require(error.rfind("input: ", 0) == 0 && error.size() > 7);
        require(error.find('\n') == std::string::npos);
    }
    return 0;
}
