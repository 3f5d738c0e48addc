#include "spectrum/fft.hpp"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "spectrum/fft_kernels.hpp"
#include "spectrum/fft_plan.hpp"

namespace {

// One butterfly; the operand order of every product, sum and difference is
// the defining one, so NaN payloads propagate the same way as well.
inline void butterfly(Complex& p, Complex& q, float wre, float wim) {
    const float tre = q.re * wre - q.im * wim;
    const float tim = q.re * wim + q.im * wre;
    const Complex old = p;
    p.re = tre + old.re;
    p.im = tim + old.im;
    q.re = old.re - tre;
    q.im = old.im - tim;
}

void stages_from_plan(Complex* data, const FftPlan& plan) {
    const std::uint32_t n = plan.n;
    for (int stage = 0; stage < plan.bits; ++stage) {
        const std::uint32_t half = std::uint32_t{1} << stage;
        const float* wre = plan.twiddle_re.data() + (half - 1);
        const float* wim = plan.twiddle_im.data() + (half - 1);
        for (std::uint32_t k = 0; k < n; k += 2 * half) {
            Complex* group = data + k;
            for (std::uint32_t j = 0; j < half; ++j) {
                butterfly(group[j], group[j + half], wre[j], wim[j]);
            }
        }
    }
}

// Without a plan: the recurrence runs in every group, as the definition has
// it, and nothing is allocated.
void stages_by_recurrence(Complex* data, std::uint32_t n) {
    const int bits = fft_stage_count(n);
    for (int stage = 0; stage < bits; ++stage) {
        const std::uint32_t half = std::uint32_t{1} << stage;
        float c = 0.0f;
        float s = 0.0f;
        fft_stage_step(2 * half, c, s);
        // 64-bit group index: k + 2 * half may pass 2^32 - 1 when n = 2^31.
        for (std::uint64_t k = 0; k < n; k += 2 * std::uint64_t{half}) {
            Complex* group = data + k;
            float wre = 1.0f;
            float wim = 0.0f;
            for (std::uint32_t j = 0; j < half; ++j) {
                butterfly(group[j], group[j + half], wre, wim);
                const float nre = wre * c - wim * s;
                const float nim = wre * s + wim * c;
                wre = nre;
                wim = nim;
            }
        }
    }
}

// A broken precondition is a fault in the caller, not something a caller
// could handle: it stops the process in every build, saying which one, where
// a release build would otherwise go on with a result that was never
// computed.
void require(bool holds, const char* operation, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "%s: precondition broken: %s\n", operation, what);
        std::abort();
    }
}

}  // namespace

void fft_bit_reverse(Complex* data, std::uint32_t n) {
    require(fft_is_power_of_two(n), "fft_bit_reverse", "n is not a power of two");
    // Each pair is exchanged once, from its smaller index: the same
    // permutation as marking visited positions, without the marks.
    const int bits = fft_stage_count(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t pos = bits == 0 ? 0 : fft_reverse_bits(i) >> (32 - bits);
        if (i < pos) {
            std::swap(data[i], data[pos]);
        }
    }
}

void fft_1d(Complex* data, std::uint32_t n) {
    require(fft_is_power_of_two(n), "fft_1d", "n is not a power of two");
    fft_bit_reverse(data, n);
    stages_by_recurrence(data, n);
}

const FftPlan* fft_plan_of(ComplexGrid& grid) {
    if (grid.plan == nullptr) {
        grid.plan = fft_plan_create(static_cast<std::uint32_t>(grid.width));
    }
    return grid.plan.get();
}

namespace {

// fft_1d of plan.n samples through the plan's tables: the same bits.
void fft_1d_planned(Complex* data, const FftPlan& plan) {
    const std::uint32_t* pair = plan.swaps.data();
    const std::uint32_t* end = pair + plan.swaps.size();
    for (; pair != end; pair += 2) {
        std::swap(data[pair[0]], data[pair[1]]);
    }
    stages_from_plan(data, plan);
}

// True for the grids the transform accepts; a 0 x 0 grid has nothing to do.
bool transformable(const ComplexGrid& grid) {
    return grid.width == grid.height &&
           (grid.width == 0 || fft_is_power_of_two(static_cast<std::uint32_t>(grid.width)));
}

}  // namespace

void transform_2d_portable(ComplexGrid& grid) {
    require(transformable(grid), "transform_2d_portable",
            "the grid is not square with a power-of-two side");
    const std::uint32_t n = static_cast<std::uint32_t>(grid.width);
    const FftPlan* plan = fft_plan_of(grid);
    const auto rows = [&] {
        for (std::uint32_t i = 0; i < n; ++i) {
            Complex* row = grid.samples + std::size_t{i} * n;
            if (plan != nullptr) {
                fft_1d_planned(row, *plan);
            } else {
                fft_1d(row, n);
            }
        }
    };
    rows();
    grid.transpose();
    rows();
    grid.transpose();
}

void ComplexGrid::transform_2d_of(const ComplexGrid& source) {
    if (&source != this && source.width == width && source.height == height &&
        transformable(*this)) {
        transform_2d_lanes(*this, source.samples);
        return;
    }
    copy_from(source);
    transform_2d();
}

void ComplexGrid::transform_2d() {
    require(transformable(*this), "ComplexGrid::transform_2d",
            "the grid is not square with a power-of-two side");
    transform_2d_lanes(*this);
}
