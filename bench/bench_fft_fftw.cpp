// FFTW as a peer: fftwf, in place, one thread, planned once per flag before
// any timed iteration (planning overwrites the array, so the input is
// copied in afterwards, inside the loop).
#include <fftw3.h>

#include <benchmark/benchmark.h>

#include "fft_bench.hpp"

namespace {

struct FftwPlan {
    Complex* data = nullptr;
    fftwf_plan plan = nullptr;
};

const FftwPlan& plan_for(unsigned flags) {
    static FftwPlan measure;
    static FftwPlan patient;
    FftwPlan& slot = flags == FFTW_PATIENT ? patient : measure;
    if (slot.plan == nullptr) {
        slot.data = static_cast<Complex*>(fftwf_malloc(fft_bench::kCount * sizeof(Complex)));
        // Complex is two contiguous floats, the layout of fftwf_complex.
        auto* buffer = reinterpret_cast<fftwf_complex*>(slot.data);
        slot.plan = fftwf_plan_dft_2d(fft_bench::kSide, fft_bench::kSide, buffer, buffer,
                                      FFTW_FORWARD, flags);
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

}  // namespace
