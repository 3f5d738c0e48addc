// Cost of one composed frame, for each of the ten tests in both layouts, and
// of its parts: the test's generator, the copy and transform, and the panels.
// Run from anywhere: the assets are read from the source tree.
//
//   build/bench/zarvo_bench_frame --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"

namespace {

FixedClock clock_full;
FixedClock clock_condensed;

// One started app per layout, made on first use and kept.
AppState& app_for(bool condensed) {
    static AppState* apps[2] = {nullptr, nullptr};
    AppState*& app = apps[condensed ? 1 : 0];
    if (app == nullptr) {
        if (chdir(ZARVO_ASSETS_DIR) != 0) {
            std::perror(ZARVO_ASSETS_DIR);
            std::exit(1);
        }
        app = new AppState;
        if (!start_headless(*app, condensed,
                            fixed_ticks(condensed ? clock_condensed : clock_full))) {
            std::exit(1);
        }
    }
    return *app;
}

void BM_compose_frame(benchmark::State& state) {
    AppState& app = app_for(state.range(1) != 0);
    app.selection = static_cast<int>(state.range(0));
    app.input = InputState{};
    for (auto _ : state) {
        compose_frame(app);
        benchmark::DoNotOptimize(app.canvas.pixels[0]);
    }
    state.SetLabel(app.catalogue[app.selection].label);
}

void BM_generator(benchmark::State& state) {
    AppState& app = app_for(false);
    const TestEntry& entry = app.catalogue[state.range(0)];
    int frame = 0;
    for (auto _ : state) {
        frame = frame == 999 ? 0 : frame + 1;
        entry.generator(static_cast<float>(frame) * 0.001f, app.working);
        benchmark::DoNotOptimize(app.working.samples[0]);
    }
    state.SetLabel(entry.label);
}

void BM_copy_and_transform(benchmark::State& state) {
    AppState& app = app_for(false);
    app.catalogue[9].generator(0.25f, app.working);
    for (auto _ : state) {
        app.transformed.copy_from(app.working);
        app.transformed.transform_2d();
        benchmark::DoNotOptimize(app.transformed.samples[0]);
    }
}

// The panels on a Thingie frame: the input, then the spectrum's magnitude and phase.
void BM_panel(benchmark::State& state) {
    AppState& app = app_for(false);
    app.catalogue[9].generator(0.25f, app.working);
    app.transformed.copy_from(app.working);
    app.transformed.transform_2d();
    for (auto _ : state) {
        switch (state.range(0)) {
            case 0:
                app.working.draw_magnitude(app.draw_colour, app.canvas, 21, false, 1.0f);
                break;
            case 1:
                app.transformed.draw_magnitude(app.draw_colour, app.canvas, 555, true, 60.0f);
                break;
            default:
                app.transformed.draw_phase(app.draw_colour, app.canvas, 1089);
                break;
        }
        benchmark::DoNotOptimize(app.canvas.pixels[0]);
    }
    static const char* const names[] = {"input magnitude", "spectrum magnitude", "phase"};
    state.SetLabel(names[state.range(0)]);
}

}  // namespace

BENCHMARK(BM_compose_frame)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 9, 1), {0, 1}})
    ->ArgNames({"test", "condensed"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_generator)->DenseRange(0, 9)->ArgName("test")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_copy_and_transform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_panel)->DenseRange(0, 2)->ArgName("panel")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
