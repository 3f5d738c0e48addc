// KissFFT as a peer: kiss_fftnd over both dimensions, configured once. It
// transforms out of place into a second array.
#include <kiss_fftnd.h>

#include <benchmark/benchmark.h>

#include <vector>

#include "fft_bench.hpp"

namespace {

void kissfft(benchmark::State& state) {
    const int dims[2] = {fft_bench::kSide, fft_bench::kSide};
    kiss_fftnd_cfg config = kiss_fftnd_alloc(dims, 2, 0, nullptr, nullptr);
    std::vector<Complex> data(fft_bench::kCount);
    std::vector<Complex> out(fft_bench::kCount);
    // Complex is two contiguous floats, the layout of kiss_fft_cpx.
    auto* in_cpx = reinterpret_cast<kiss_fft_cpx*>(data.data());
    auto* out_cpx = reinterpret_cast<kiss_fft_cpx*>(out.data());
    fft_bench::run(state, data.data(), [&] { kiss_fftnd(config, in_cpx, out_cpx); });
    kiss_fft_free(config);
}

BENCHMARK(kissfft)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
