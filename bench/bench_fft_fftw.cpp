// FFTW as a peer: fftwf, in place, one thread, planned once per flag before
// any timed iteration (planning overwrites the array, so the input is
// copied in afterwards, inside the loop).
#include <fftw3.h>

#include <benchmark/benchmark.h>

#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "fft_bench.hpp"

namespace {

struct FftwPlan {
    Complex* data = nullptr;
    fftwf_plan plan = nullptr;
};

const FftwPlan& plan_for(unsigned flags, int side = fft_bench::kSide) {
    static std::map<std::pair<unsigned, int>, FftwPlan> plans;
    FftwPlan& slot = plans[{flags, side}];
    if (slot.plan == nullptr) {
        const std::size_t count = static_cast<std::size_t>(side) * side;
        slot.data = static_cast<Complex*>(fftwf_malloc(count * sizeof(Complex)));
        // Complex is two contiguous floats, the layout of fftwf_complex.
        auto* buffer = reinterpret_cast<fftwf_complex*>(slot.data);
        slot.plan = fftwf_plan_dft_2d(side, side, buffer, buffer, FFTW_FORWARD, flags);
    }
    return slot;
}

void fftw_measure(benchmark::State& state) {
    const FftwPlan& fftw = plan_for(FFTW_MEASURE);
    fft_bench::run(state, fftw.data, [&] { fftwf_execute(fftw.plan); });
}

void fftw_patient(benchmark::State& state) {
    const FftwPlan& fftw = plan_for(FFTW_PATIENT);
    fft_bench::run(state, fftw.data, [&] { fftwf_execute(fftw.plan); });
}

BENCHMARK(fftw_measure)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(fftw_patient)->UseManualTime()->Unit(benchmark::kMicrosecond);

// FFTW_PATIENT at the smaller sides, registered before main() runs, so
// these rows come ahead of the per-target rows of bench_fft.cpp.
const bool registered_small = [] {
    for (const int side : fft_bench::kSmallSides) {
        const std::string name = "fftw_patient@" + std::to_string(side);
        benchmark::RegisterBenchmark(name.c_str(),
                                     [side](benchmark::State& state) {
                                         const FftwPlan& fftw = plan_for(FFTW_PATIENT, side);
                                         fft_bench::run(
                                             state, fftw.data, [&] { fftwf_execute(fftw.plan); },
                                             static_cast<std::size_t>(side) * side);
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

}  // namespace
