// zarvo_bench_fft: the 2-D transform of one 512 x 512 single-precision
// complex grid, in place, one thread, against the plain form it must equal
// bit for bit and against FFTW and KissFFT (bench_fft_fftw.cpp,
// bench_fft_kissfft.cpp, when found at configure time); also from one grid
// into another (transform_2d_of, the frame's path).
//
// The zarvo transform on each SIMD target is also measured at the smaller
// sides of fft_bench::kSmallSides (rows "<target>@<side>", against FFTW at
// that side). After the run a table lists every median (or mean, without
// repetitions) with its ratio to FFTW_PATIENT at the same side. Suggested:
// --benchmark_repetitions=5.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fft_bench.hpp"
#include "median_reporter.hpp"
#include "plain_fft.hpp"
#include "spectrum/complex_grid.hpp"
#include "spectrum/fft_kernels.hpp"
#include "base/simd_targets.hpp"

namespace fft_bench {

const std::vector<Complex>& input() {
    static const std::vector<Complex> samples = [] {
        std::vector<Complex> made(kCount);
        std::mt19937 random(2024);
        std::uniform_real_distribution<float> value(-1.0f, 1.0f);
        for (Complex& c : made) {
            c = {value(random), value(random)};
        }
        return made;
    }();
    return samples;
}

}  // namespace fft_bench

namespace {

using fft_bench::kSide;

void plain(benchmark::State& state) {
    std::vector<Complex> data(fft_bench::kCount);
    fft_bench::run(state, data.data(), [&] { plain_fft::transform_2d(data.data(), kSide); });
}

void transform_2d(benchmark::State& state) {
    ComplexGrid grid(kSide, kSide);
    fft_bench::run(state, grid.samples, [&] { grid.transform_2d(); });
}

// The frame's path: the input stays in a grid of its own, read by the row
// pass, and the result goes to a second grid.
void transform_2d_of(benchmark::State& state) {
    ComplexGrid source(kSide, kSide);
    ComplexGrid grid(kSide, kSide);
    fft_bench::run(state, source.samples, [&] { grid.transform_2d_of(source); });
}

void portable(benchmark::State& state) {
    ComplexGrid grid(kSide, kSide);
    fft_bench::run(state, grid.samples, [&] { transform_2d_portable(grid); });
}

BENCHMARK(plain)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(transform_2d)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(transform_2d_of)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(portable)->UseManualTime()->Unit(benchmark::kMicrosecond);

// transform_2d of a side x side grid under one SIMD target alone.
void register_target(const SimdTarget& target, int side, const std::string& name) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [target, side](benchmark::State& state) {
                                     const ScopedSimdTarget scoped(target);
                                     ComplexGrid grid(side, side);
                                     fft_bench::run(
                                         state, grid.samples, [&] { grid.transform_2d(); },
                                         static_cast<std::size_t>(grid.size()));
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
}

// transform_2d once per SIMD target this build compiled and this CPU runs,
// each named after its target and run under it alone, then the same at the
// smaller sides; known only at run time, so these come after the benchmarks
// registered statically.
void register_targets() {
    for (const SimdTarget& target : simd_targets()) {
        register_target(target, kSide, target.name);
    }
    for (const int side : fft_bench::kSmallSides) {
        for (const SimdTarget& target : simd_targets()) {
            register_target(target, side, target.name + "@" + std::to_string(side));
        }
    }
}

// One line per benchmark, in run order, with its ratio to FFTW_PATIENT at
// the same side (the side after '@', else kSide).
void print_table(const MedianReporter& reporter) {
    const auto& times = reporter.times();
    std::printf("\n%-16s %14s %18s\n", "transform", "time (us)", "vs fftw_patient");
    for (const std::string& name : reporter.order()) {
        const MedianTime& time = times.at(name);
        const std::size_t at = name.find('@');
        const std::string peer =
            "fftw_patient" + (at == std::string::npos ? std::string() : name.substr(at));
        const auto baseline = times.find(peer);
        std::printf("%-16s %14.1f", name.c_str(), time.value);
        if (baseline != times.end()) {
            std::printf(" %17.2fx", time.value / baseline->second.value);
        } else {
            std::printf(" %18s", "");
        }
        std::printf("  %s\n", time.median ? "(median)" : "(mean)");
    }
}

}  // namespace

int main(int argc, char** argv) {
    register_targets();
    return run_benchmarks_with_table(argc, argv, print_table);
}
