// Shared by the files of zarvo_bench_fft: the input grid and the timing
// loop that every transform under test runs.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <vector>

#include "spectrum/complex_grid.hpp"

namespace fft_bench {

constexpr int kSide = 512;
constexpr std::size_t kCount = std::size_t{kSide} * kSide;

// The smaller sides measured as well, each against FFTW_PATIENT at that side
// (rows named "<transform>@<side>").
constexpr int kSmallSides[] = {64, 128};

// The same pseudo-random 512 x 512 input for every peer, values in [-1, 1);
// a smaller grid takes its first side x side values.
const std::vector<Complex>& input();

// Times `transform(data)` alone on a fresh copy of the input each iteration
// (a forward transform is not normalised, so repeating it in place would
// overflow into infinities within a few dozen iterations). `data` must hold
// `count` samples in the layout the transform expects.
template <typename Transform>
void run(benchmark::State& state, Complex* data, Transform transform, std::size_t count = kCount) {
    for (auto _ : state) {
        std::memcpy(data, input().data(), count * sizeof(Complex));
        const auto start = std::chrono::steady_clock::now();
        transform();
        const auto stop = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(data[1]);
        benchmark::ClobberMemory();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
}

}  // namespace fft_bench
