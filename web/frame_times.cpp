// zarvo-frame-times: the time compose_frame takes for each test in both
// layouts, natively, on one SIMD target (the page's benchmark compares the
// WebAssembly module with it: bench/web_frames.sh).
//
//   zarvo-frame-times ASSETS_DIR [TARGET]     TARGET e.g. sse4 (default: dispatched)
//
// Prints one line per frame measured: "LAYOUT TEST MILLISECONDS", the median
// over 7 runs of 50 frames, after 20 frames of warm-up.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"
#include "base/simd_targets.hpp"

namespace {

double median_frame_ms(AppState& app, int test) {
    app.selection = test;
    app.input = InputState{};
    for (int k = 0; k < 20; ++k) {
        compose_frame(app);
    }
    std::vector<double> runs;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < 50; ++k) {
            compose_frame(app);
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        runs.push_back(took.count() / 50);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zarvo-frame-times ASSETS_DIR [TARGET]\n");
        return 64;
    }
    std::unique_ptr<ScopedSimdTarget> pinned;
    if (argc == 3) {
        const std::vector<SimdTarget> targets = simd_targets();
        const auto found = std::find_if(targets.begin(), targets.end(),
                                        [&](const SimdTarget& t) { return t.name == argv[2]; });
        if (found == targets.end()) {
            std::fprintf(stderr, "zarvo-frame-times: this CPU does not run the target %s\n",
                         argv[2]);
            return 1;
        }
        pinned = std::make_unique<ScopedSimdTarget>(*found);
    }
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    for (const bool condensed : {false, true}) {
        AppState app;
        FixedClock clock;
        if (const std::string error = start_headless(app, condensed, fixed_ticks(clock));
            !error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        for (int test = 0; test < kTestCount; ++test) {
            std::printf("%s %d %.4f\n", condensed ? "condensed" : "full", test,
                        median_frame_ms(app, test));
        }
        stop_headless(app);
    }
    SDL_Quit();
    return 0;
}
