// zarvo_bench_frame_plain: each of the ten tests composed as a whole frame,
// in both layouts, by the plain form (tests/reference) and by the product's
// compose_frame, side by side in one run; then the parts of a frame the same
// way: the generators, the transform and the three panels.
//
// After the run a table lists every median (or mean, without repetitions)
// with the ratio product / plain. Assets are read from the source tree.
// The product runs on the SIMD target dispatch picks, or with
// --simd_target=NAME (avx3, avx2, sse4, ssse3, neon, scalar, ...: one of
// those this build compiled and this CPU runs) on that one alone.
//
//   zarvo_bench_frame_plain --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"
#include "display/panel_kernels.hpp"
#include "display/panels.hpp"
#include "inputs/images.hpp"
#include "inputs/pattern_kernels.hpp"
#include "inputs/picture_fill.hpp"
#include "median_reporter.hpp"
#include "plain_fft.hpp"
#include "reference.hpp"
#include "base/simd_targets.hpp"

namespace {

// One started app per layout, made on first use and kept; plain and product
// frames run on the same app, so they see the same buffers.
AppState& app_for(bool condensed) {
    static FixedClock clocks[2];
    static AppState* apps[2] = {nullptr, nullptr};
    AppState*& app = apps[condensed ? 1 : 0];
    if (app == nullptr) {
        if (chdir(ZARVO_ASSETS_DIR) != 0) {
            std::perror(ZARVO_ASSETS_DIR);
            std::exit(1);
        }
        app = new AppState;
        const std::string error =
            start_headless(*app, condensed, fixed_ticks(clocks[condensed ? 1 : 0]));
        if (!error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(1);
        }
    }
    return *app;
}

const char* layout_name(bool condensed) {
    return condensed ? "condensed" : "full";
}

void frame(benchmark::State& state, int test, bool condensed, bool plain) {
    AppState& app = app_for(condensed);
    app.selection = test;
    app.input = InputState{};
    for (auto _ : state) {
        if (plain) {
            reference::compose_frame(app);
        } else {
            compose_frame(app);
        }
        benchmark::DoNotOptimize(app.canvas.pixels[0]);
    }
}

void generator(benchmark::State& state, int test, bool plain) {
    AppState& app = app_for(false);
    const TestEntry& entry = plain ? reference::catalogue()[test] : app.catalogue[test];
    int n = 0;
    for (auto _ : state) {
        n = n == 999 ? 0 : n + 1;
        entry.generator(static_cast<float>(n) * 0.001f, app.working);
        benchmark::DoNotOptimize(app.working.samples[0]);
    }
}

// The picture fill: 0 plain, 1 product (fill_real_from_bytes), 2 portable.
void picture_fill(benchmark::State& state, int form) {
    AppState& app = app_for(false);
    const std::uint8_t* bytes = ostrel_sheet.pixels.data();
    for (auto _ : state) {
        if (form == 0) {
            reference::fill_from_sheet(app.working, ostrel_sheet);
        } else if (form == 1) {
            fill_real_from_bytes(app.working, bytes);
        } else {
            fill_real_from_bytes_portable(app.working, bytes);
        }
        benchmark::DoNotOptimize(app.working.samples[0]);
    }
}

void transform(benchmark::State& state, bool plain) {
    AppState& app = app_for(false);
    app.catalogue[9].generator(0.25f, app.working);
    for (auto _ : state) {
        app.transformed.copy_from(app.working);
        if (plain) {
            plain_fft::transform_2d(app.transformed.samples, app.transformed.width);
        } else {
            app.transformed.transform_2d();
        }
        benchmark::DoNotOptimize(app.transformed.samples[0]);
    }
}

// The panels of a frame of test `test` (Thingie unless said): 0 the input
// magnitude, 1 the spectrum magnitude, 2 the phase; drawn by 0 plain,
// 1 product, 2 portable kernel.
void panel(benchmark::State& state, int which, int form, int test) {
    AppState& app = app_for(false);
    app.catalogue[test].generator(0.25f, app.working);
    app.transformed.copy_from(app.working);
    app.transformed.transform_2d();
    const ComplexGrid& grid = which == 0 ? app.working : app.transformed;
    const bool shifted = which != 0;
    const float gain = which == 0 ? 1.0f : 60.0f;
    const int x = which == 2 ? 1089 : which == 1 ? 555 : 21;
    for (auto _ : state) {
        if (which == 2) {
            if (form == 0) {
                reference::draw_phase(grid, app.draw_colour, app.canvas, x);
            } else if (form == 1) {
                draw_phase(grid, app.draw_colour, app.canvas, x);
            } else {
                draw_phase_portable(grid, app.draw_colour, app.canvas, x);
            }
        } else {
            if (form == 0) {
                reference::draw_magnitude(grid, app.draw_colour, app.canvas, x, shifted, gain);
            } else if (form == 1) {
                draw_magnitude(grid, app.draw_colour, app.canvas, x, shifted, gain);
            } else {
                draw_magnitude_portable(grid, app.draw_colour, app.canvas, x, shifted, gain);
            }
        }
        benchmark::DoNotOptimize(app.canvas.pixels[0]);
    }
}

const char* const kFormNames[] = {"plain", "product", "portable"};

void register_all() {
    const TestEntry* entries = reference::catalogue();
    for (int test = 0; test < 10; ++test) {
        for (bool condensed : {false, true}) {
            for (bool plain : {true, false}) {
                const std::string name = std::string("frame/") + entries[test].label + "/" +
                                         layout_name(condensed) + "/" +
                                         (plain ? "plain" : "product");
                benchmark::RegisterBenchmark(name.c_str(), frame, test, condensed, plain)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    for (int test = 0; test < 10; ++test) {
        for (bool plain : {true, false}) {
            const std::string name = std::string("generator/") + entries[test].label + "/-/" +
                                     (plain ? "plain" : "product");
            benchmark::RegisterBenchmark(name.c_str(), generator, test, plain)
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (int form = 0; form < 3; ++form) {
        const std::string name = std::string("picture fill/-/-/") + kFormNames[form];
        benchmark::RegisterBenchmark(name.c_str(), picture_fill, form)
            ->Unit(benchmark::kMillisecond);
    }
    for (bool plain : {true, false}) {
        const std::string name = std::string("transform/-/-/") + (plain ? "plain" : "product");
        benchmark::RegisterBenchmark(name.c_str(), transform, plain)->Unit(benchmark::kMillisecond);
    }
    const char* const panel_names[] = {"input magnitude", "spectrum magnitude", "phase"};
    for (int which = 0; which < 3; ++which) {
        for (int form = 0; form < 3; ++form) {
            const std::string name =
                std::string("panel/") + panel_names[which] + "/-/" + kFormNames[form];
            benchmark::RegisterBenchmark(name.c_str(), panel, which, form, 9)
                ->Unit(benchmark::kMillisecond);
        }
    }
    // The phase of a nearly real spectrum (a disc's): almost every sample's
    // imaginary part is a rounding error, far below its real part.
    for (int form = 0; form < 3; ++form) {
        const std::string name = std::string("panel/phase, Pulsating Sphere/-/") + kFormNames[form];
        benchmark::RegisterBenchmark(name.c_str(), panel, 2, form, 8)
            ->Unit(benchmark::kMillisecond);
    }
}

// One line per "kind/what/layout": plain, product (and portable) times in
// ms, and product / plain.
void print_table(const MedianReporter& reporter) {
    const auto& times = reporter.times();
    std::printf("\n%-34s %-10s %11s %11s %11s %9s\n", "what", "layout", "plain ms", "product ms",
                "portable ms", "product/plain");
    for (const std::string& name : reporter.order()) {
        const std::size_t last = name.rfind('/');
        if (name.compare(last + 1, std::string::npos, "plain") != 0) {
            continue;
        }
        const std::string key = name.substr(0, last);
        const std::size_t layout_at = key.rfind('/');
        const auto product = times.find(key + "/product");
        const auto portable = times.find(key + "/portable");
        const double plain_ms = times.at(name).value;
        std::printf("%-34s %-10s %11.3f", key.substr(0, layout_at).c_str(),
                    key.substr(layout_at + 1).c_str(), plain_ms);
        if (product != times.end()) {
            std::printf(" %11.3f", product->second.value);
        } else {
            std::printf(" %11s", "-");
        }
        if (portable != times.end()) {
            std::printf(" %11.3f", portable->second.value);
        } else {
            std::printf(" %11s", "-");
        }
        if (product != times.end()) {
            std::printf(" %9.3f", product->second.value / plain_ms);
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    // --simd_target=NAME is ours; every other argument goes to the library.
    const std::string flag = "--simd_target=";
    std::optional<SimdTarget> chosen;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.compare(0, flag.size(), flag) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const std::string name = arg.substr(flag.size());
        for (const SimdTarget& target : simd_targets()) {
            if (target.name == name) {
                chosen = target;
            }
        }
        if (!chosen) {
            std::fprintf(stderr,
                         "zarvo_bench_frame_plain: SIMD target '%s' is not one of:", name.c_str());
            for (const SimdTarget& target : simd_targets()) {
                std::fprintf(stderr, " %s", target.name.c_str());
            }
            std::fprintf(stderr, "\n");
            return 64;
        }
    }
    argc = kept;
    std::optional<ScopedSimdTarget> scoped;
    if (chosen) {
        scoped.emplace(*chosen);
    }
    std::printf("SIMD target: %s\n", simd_dispatch_target().name.c_str());
    register_all();
    return run_benchmarks_with_table(argc, argv, print_table);
}
