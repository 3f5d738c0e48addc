// The frame rate of the real loop in a real window: poll, compose, present,
// the 4 ms pause. Measures, in one run and alternating so that both see the
// same machine load, the loop that presents an unchanged canvas and the loop
// that composes each test asked for; and the time of one present alone.
// Needs a display (see bench/loop_rates.sh, which starts Xvfb).
//
// usage: zarvo_bench_loop [full|condensed] [seconds per round] [test...]
#include <SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Frames per second of the loop over `seconds`; test < 0 presents the canvas unchanged.
double loop_rate(AppState& app, int test, double seconds) {
    if (test >= 0) {
        app.selection = test;
    }
    int frames = 0;
    const Clock::time_point start = Clock::now();
    while (seconds_since(start) < seconds) {
        poll_input(app.input);
        if (test >= 0) {
            compose_frame(app);
        }
        app.canvas.present();
        SDL_Delay(4);
        ++frames;
    }
    return frames / seconds_since(start);
}

double present_ms(AppState& app, int count) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        app.canvas.present();
    }
    return seconds_since(start) * 1000.0 / count;
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool condensed = argc > 1 && std::string(argv[1]) == "condensed";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    std::vector<int> tests;
    for (int i = 3; i < argc; ++i) {
        tests.push_back(std::atoi(argv[i]));
    }
    if (tests.empty()) {
        tests = {0, 9};
    }
    if (chdir(ZARVO_ASSETS_DIR) != 0) {
        std::perror(ZARVO_ASSETS_DIR);
        return 1;
    }
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS);
    AppState app;
    if (!start_headless(app, condensed, sdl_ticks())) {
        return 1;
    }
    delete[] app.canvas.pixels;  // create makes its own buffer
    if (const int status = app.canvas.create(app.layout_width, window_title(app)); status != 0) {
        return status;
    }
    start_overlay(app, sdl_ticks());
    compose_frame(app);

    std::printf("layout %s, %.1f s per loop\n", condensed ? "condensed" : "full", seconds);
    std::printf("one present: %.2f ms\n", present_ms(app, 200));
    const double unchanged = loop_rate(app, -1, seconds);
    std::printf("loop presenting an unchanged canvas: %.1f frames/s\n", unchanged);
    for (const int test : tests) {
        const double rate = loop_rate(app, test, seconds);
        std::printf("loop composing %-16s: %.1f frames/s (%.0f %% of unchanged)\n",
                    app.catalogue[test].label, rate, 100.0 * rate / unchanged);
    }
    std::fflush(stdout);
    SDL_DestroyRenderer(app.canvas.renderer);
    SDL_DestroyWindow(app.canvas.window);
    SDL_Quit();
    return 0;
}
