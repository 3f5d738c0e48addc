// zarvo-frame-driver: composes N frames of one test through the headless
// start-up, with the product or with the plain form, and nothing else; a
// steady target for valgrind --tool=callgrind or perf.
//
//   zarvo-frame-driver product|plain TEST FRAMES [condensed]
//   valgrind --tool=callgrind --toggle-collect='*compose_frame*'
//            zarvo-frame-driver product 9 6
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"
#include "reference.hpp"

int main(int argc, char** argv) {
    if (argc < 4 || (std::strcmp(argv[1], "product") != 0 && std::strcmp(argv[1], "plain") != 0)) {
        std::fprintf(stderr, "usage: zarvo-frame-driver product|plain TEST FRAMES [condensed]\n");
        return 2;
    }
    const bool plain = std::strcmp(argv[1], "plain") == 0;
    const int test = std::atoi(argv[2]);
    const int frames = std::atoi(argv[3]);
    const bool condensed = argc > 4 && std::strcmp(argv[4], "condensed") == 0;
    if (test < 0 || test >= kTestCount || frames < 0 || chdir(ZARVO_ASSETS_DIR) != 0) {
        std::fprintf(stderr, "bad test or frame count, or no assets at %s\n", ZARVO_ASSETS_DIR);
        return 2;
    }
    FixedClock clock;
    static AppState app;
    if (const std::string error = start_headless(app, condensed, fixed_ticks(clock));
        !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    app.selection = test;
    for (int n = 0; n < frames; ++n) {
        if (plain) {
            reference::compose_frame(app);
        } else {
            compose_frame(app);
        }
    }
    std::printf("%d frames of %s, last phase %.3f, last pixel byte %d\n", frames,
                app.catalogue[test].label, static_cast<double>(app.phase),
                int{app.canvas.pixels[(app.canvas.width * 300 + 1300) * 3]});
    return 0;
}
