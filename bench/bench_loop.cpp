// The frame rate of the real loop in a real window: poll, compose, present,
// the 4 ms pause. Measures, in one run and in alternating rounds so that all
// see the same machine load, the loop that presents an unchanged canvas and
// the loop that composes each test asked for; and the time of one present.
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
#include "app/input.hpp"
#include "app/report.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the loop for `seconds`; test < 0 presents the canvas unchanged.
// Adds the frames and the time spent to the totals.
void run_loop(AppState& app, int test, double seconds, long& frames, double& spent) {
    if (test >= 0) {
        app.selection = test;
    }
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
    spent += seconds_since(start);
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
    if (const std::string error = start_headless(app, condensed, sdl_ticks()); !error.empty()) {
        log_error(error);
        SDL_Quit();
        return 1;
    }
    const CanvasReport report = app.canvas.create(app.layout_width, window_title(app));
    say_canvas_report(report);
    if (report.outcome != CanvasReport::Outcome::kReady) {
        SDL_Quit();
        return exit_status_of(report.outcome);
    }
    start_overlay(app, sdl_ticks());
    compose_frame(app);

    // Short rounds in turn, so that a change in the machine's load falls on
    // every variant alike.
    const int rounds = 6;
    std::vector<int> variants = {-1};
    variants.insert(variants.end(), tests.begin(), tests.end());
    std::vector<long> frames(variants.size(), 0);
    std::vector<double> spent(variants.size(), 0.0);
    double present_total = 0.0;
    for (int round = 0; round < rounds; ++round) {
        present_total += present_ms(app, 30);
        for (std::size_t v = 0; v < variants.size(); ++v) {
            run_loop(app, variants[v], seconds / rounds, frames[v], spent[v]);
        }
    }
    std::printf("layout %s, %.1f s per loop in %d rounds\n", condensed ? "condensed" : "full",
                seconds, rounds);
    std::printf("one present: %.2f ms\n", present_total / rounds);
    const double unchanged = static_cast<double>(frames[0]) / spent[0];
    std::printf("loop presenting an unchanged canvas: %.1f frames/s\n", unchanged);
    for (std::size_t v = 1; v < variants.size(); ++v) {
        const double rate = static_cast<double>(frames[v]) / spent[v];
        std::printf("loop composing %-16s: %.1f frames/s (%.0f %% of unchanged)\n",
                    app.catalogue[variants[v]].label, rate, 100.0 * rate / unchanged);
    }
    std::fflush(stdout);
    SDL_DestroyRenderer(app.canvas.renderer);
    SDL_DestroyWindow(app.canvas.window);
    SDL_Quit();
    return 0;
}
