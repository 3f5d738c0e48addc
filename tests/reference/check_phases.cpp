// zarvo-check-phases: composes every frame of the phase cycle (counters 1 to
// 1000, phases 0.001 .. 0.999 and 0) with the product and with the plain
// form, for every test, both layouts and both positions of the Space switch,
// and compares canvas, grids and state byte for byte.
//
//   zarvo-check-phases [--layout full|condensed] [--test N]... [--assets DIR]
//
// Prints one line per layout, switch position and test, then a summary;
// exits 0 when everything matched, 1 on any difference, 2 on bad arguments
// or unreadable assets.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frame_check.hpp"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: zarvo-check-phases [--layout full|condensed] [--test N]... "
                 "[--assets DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<bool> layouts = {false, true};
    std::vector<int> tests;
    const char* assets = ZARVO_ASSETS_DIR;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (k + 1 >= argc) {
            return usage();
        }
        const char* value = argv[++k];
        if (arg == "--layout" && std::strcmp(value, "full") == 0) {
            layouts = {false};
        } else if (arg == "--layout" && std::strcmp(value, "condensed") == 0) {
            layouts = {true};
        } else if (arg == "--test") {
            char* end = nullptr;
            const long test = std::strtol(value, &end, 10);
            if (*end != '\0' || test < 0 || test >= kTestCount) {
                return usage();
            }
            tests.push_back(static_cast<int>(test));
        } else if (arg == "--assets") {
            assets = value;
        } else {
            return usage();
        }
    }
    if (tests.empty()) {
        for (int test = 0; test < kTestCount; ++test) {
            tests.push_back(test);
        }
    }
    if (chdir(assets) != 0) {
        std::perror(assets);
        return 2;
    }

    long frames_checked = 0;
    long frames_differing = 0;
    for (bool condensed : layouts) {
        auto pair = std::make_unique<FramePair>();
        if (!pair->start(condensed)) {
            std::fprintf(stderr, "cannot load the assets from %s\n", assets);
            return 2;
        }
        for (bool show_magnitude : {true, false}) {
            for (int test : tests) {
                long differing = 0;
                std::string first;
                int first_frame = 0;
                for (int frame = 1; frame <= 1000; ++frame) {
                    const std::string difference = pair->compare_frame(test, frame, show_magnitude);
                    ++frames_checked;
                    if (!difference.empty()) {
                        if (differing == 0) {
                            first = difference;
                            first_frame = frame;
                        }
                        ++differing;
                    }
                }
                frames_differing += differing;
                std::printf("%-9s %-9s %-16s 1000 frames, %ld differing\n",
                            condensed ? "condensed" : "full",
                            show_magnitude ? "magnitude" : "phase",
                            pair->plain.catalogue[test].label, differing);
                if (differing != 0) {
                    std::printf("  first at frame %d: %s\n", first_frame, first.c_str());
                }
                std::fflush(stdout);
            }
        }
    }
    std::printf("%ld frames checked, %ld differing\n", frames_checked, frames_differing);
    return frames_differing == 0 ? 0 : 1;
}
