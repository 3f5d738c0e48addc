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
#include "plain_fft.hpp"
#include "spectrum/complex_grid.hpp"
#include "spectrum/fft_kernels.hpp"

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

void avx2(benchmark::State& state) {
    if (!fft_avx2_supported()) {
        state.SkipWithError("this CPU has no AVX2");
        return;
    }
    ComplexGrid grid(kSide, kSide);
    fft_bench::run(state, grid.samples, [&] { transform_2d_avx2(grid); });
}

void avx512(benchmark::State& state) {
    if (!fft_avx512_supported()) {
        state.SkipWithError("this CPU has no AVX-512 F and DQ");
        return;
    }
    ComplexGrid grid(kSide, kSide);
    fft_bench::run(state, grid.samples, [&] { transform_2d_avx512(grid); });
}

void portable(benchmark::State& state) {
    ComplexGrid grid(kSide, kSide);
    fft_bench::run(state, grid.samples, [&] { transform_2d_portable(grid); });
}

BENCHMARK(plain)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(transform_2d)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(avx2)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(avx512)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(portable)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Keeps the console output and remembers one time per benchmark: the median
// when repetitions run, else the mean of the single run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (times_.emplace(name, Time{}).second) {
                order_.push_back(name);
            }
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times_[name] = {run.GetAdjustedRealTime(), true};
            } else if (run.run_type == Run::RT_Iteration && !times_[name].median) {
                times_[name] = {run.GetAdjustedRealTime(), false};
            }
        }
    }

    void print_summary() const {
        const auto baseline = times_.find("fftw_patient");
        std::printf("\n%-16s %14s %18s\n", "transform", "time (us)", "vs fftw_patient");
        for (const std::string& name : order_) {
            const Time& time = times_.at(name);
            std::printf("%-16s %14.1f", name.c_str(), time.value);
            if (baseline != times_.end()) {
                std::printf(" %17.2fx", time.value / baseline->second.value);
            }
            std::printf("  %s\n", time.median ? "(median)" : "(mean)");
        }
    }

private:
    struct Time {
        double value = 0.0;
        bool median = false;
    };
    std::map<std::string, Time> times_;
    std::vector<std::string> order_;  // as run
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_summary();
    benchmark::Shutdown();
    return 0;
}
