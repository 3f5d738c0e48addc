// zarvo_bench_fft: the 2-D transform of one 512 x 512 single-precision
// complex grid, in place, one thread, against the plain form it must equal
// bit for bit and against FFTW and KissFFT (bench_fft_fftw.cpp,
// bench_fft_kissfft.cpp, when found at configure time).
//
// After the run a table lists every median (or mean, without repetitions)
// with its ratio to FFTW_PATIENT. Suggested: --benchmark_repetitions=5.
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
#include "spectrum/simd_targets.hpp"

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

void portable(benchmark::State& state) {
    ComplexGrid grid(kSide, kSide);
    fft_bench::run(state, grid.samples, [&] { transform_2d_portable(grid); });
}

BENCHMARK(plain)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(transform_2d)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(portable)->UseManualTime()->Unit(benchmark::kMicrosecond);

// transform_2d once per SIMD target this build compiled and this CPU runs,
// each named after its target and run under it alone; known only at run
// time, so these come after the benchmarks registered statically.
void register_targets() {
    for (const SimdTarget& target : simd_targets()) {
        benchmark::RegisterBenchmark(target.name.c_str(),
                                     [target](benchmark::State& state) {
                                         const ScopedSimdTarget scoped(target);
                                         ComplexGrid grid(kSide, kSide);
                                         fft_bench::run(state, grid.samples,
                                                        [&] { grid.transform_2d(); });
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
}

// One line per benchmark, in run order, with its ratio to FFTW_PATIENT.
void print_table(const MedianReporter& reporter) {
    const auto& times = reporter.times();
    const auto baseline = times.find("fftw_patient");
    std::printf("\n%-16s %14s %18s\n", "transform", "time (us)", "vs fftw_patient");
    for (const std::string& name : reporter.order()) {
        const MedianTime& time = times.at(name);
        std::printf("%-16s %14.1f", name.c_str(), time.value);
        if (baseline != times.end()) {
            std::printf(" %17.2fx", time.value / baseline->second.value);
        }
        std::printf("  %s\n", time.median ? "(median)" : "(mean)");
    }
}

}  // namespace

int main(int argc, char** argv) {
    register_targets();
    return run_benchmarks_with_table(argc, argv, print_table);
}
