// The 2-D transform in AVX2 lanes.
//
// Every lane runs its own, independent transform with exactly the scalar
// operations in the scalar order (separate multiplies, adds and subtracts,
// never fused), so each output is the bit pattern the plain definition gives.
// What changes is only where the data sit and which transform runs in which
// lane:
//
//   row pass, for each group of eight rows:
//     samples (row-major) --8x8 transposes, bit-reversed column order--> work
//     work: nine radix-2 stages, lane i = row g + i, the same twiddle in all
//     lanes (the table of the stage, broadcast)
//     work --8x8 transposes--> scratch, column-blocked: block b holds columns
//     8b .. 8b + 7 as slots of 8 real parts then 8 imaginary parts, one slot
//     per row, row r in slot reversed(r), so the column pass needs no
//     permutation of its own
//   column pass, for each block: the same stages in place, lane c = column
//     8b + c, then each slot is interleaved back into its row of samples.
//
// Result: what rows, transpose, rows, transpose would give, without the two
// transposes through memory.
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "spectrum/fft_kernels.hpp"
#include "spectrum/fft_plan.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

// Code compiled for AVX2 only where it is used: the rest of the build stays
// at the baseline instruction set, and this runs only after the CPU check.
// FMA is deliberately not enabled: a fused multiply-add rounds once where the
// transform rounds twice.
#define ZARVO_AVX2 __attribute__((target("avx2")))

namespace {

constexpr std::uint32_t kMinSide = 8;
constexpr std::uint32_t kMaxSide = 1024;
// One slot: the real parts of eight lanes, then their imaginary parts.
constexpr std::size_t kSlot = 16;

struct Lanes {
    __m256 re;
    __m256 im;
};

ZARVO_AVX2 inline Lanes load_slot(const float* p) {
    return {_mm256_loadu_ps(p), _mm256_loadu_ps(p + 8)};
}

ZARVO_AVX2 inline void store_slot(float* p, Lanes v) {
    _mm256_storeu_ps(p, v.re);
    _mm256_storeu_ps(p + 8, v.im);
}

// p, q <- p + w q, p - w q, lane by lane, in the operation order of the
// scalar butterfly.
ZARVO_AVX2 inline void butterfly(Lanes& p, Lanes& q, __m256 wre, __m256 wim) {
    const __m256 tre = _mm256_sub_ps(_mm256_mul_ps(q.re, wre), _mm256_mul_ps(q.im, wim));
    const __m256 tim = _mm256_add_ps(_mm256_mul_ps(q.re, wim), _mm256_mul_ps(q.im, wre));
    q.re = _mm256_sub_ps(p.re, tre);
    q.im = _mm256_sub_ps(p.im, tim);
    p.re = _mm256_add_ps(tre, p.re);
    p.im = _mm256_add_ps(tim, p.im);
}

// One radix-2 stage of half h over n slots.
ZARVO_AVX2 void lane_stage(float* data, std::uint32_t n, std::uint32_t h, const float* wre,
                           const float* wim) {
    for (std::uint32_t j = 0; j < h; ++j) {
        const __m256 vre = _mm256_broadcast_ss(wre + j);
        const __m256 vim = _mm256_broadcast_ss(wim + j);
        for (std::uint32_t k = j; k < n; k += 2 * h) {
            float* a = data + kSlot * k;
            float* b = a + kSlot * h;
            Lanes p = load_slot(a);
            Lanes q = load_slot(b);
            butterfly(p, q, vre, vim);
            store_slot(a, p);
            store_slot(b, q);
        }
    }
}

// Two stages (halves h and 2h) per pass through memory. Each butterfly
// still takes exactly the inputs it has in the stage-by-stage order: the
// first stage pairs (a, b) and (c, d), the second (a, c) and (b, d).
ZARVO_AVX2 void lane_stage_pair(float* data, std::uint32_t n, std::uint32_t h, const float* w1re,
                                const float* w1im, const float* w2re, const float* w2im) {
    for (std::uint32_t j = 0; j < h; ++j) {
        const __m256 x1re = _mm256_broadcast_ss(w1re + j);
        const __m256 x1im = _mm256_broadcast_ss(w1im + j);
        const __m256 y1re = _mm256_broadcast_ss(w2re + j);
        const __m256 y1im = _mm256_broadcast_ss(w2im + j);
        const __m256 y2re = _mm256_broadcast_ss(w2re + j + h);
        const __m256 y2im = _mm256_broadcast_ss(w2im + j + h);
        for (std::uint32_t k = j; k < n; k += 4 * h) {
            float* pa = data + kSlot * k;
            float* pb = pa + kSlot * h;
            float* pc = pb + kSlot * h;
            float* pd = pc + kSlot * h;
            Lanes a = load_slot(pa);
            Lanes b = load_slot(pb);
            Lanes c = load_slot(pc);
            Lanes d = load_slot(pd);
            butterfly(a, b, x1re, x1im);
            butterfly(c, d, x1re, x1im);
            butterfly(a, c, y1re, y1im);
            butterfly(b, d, y2re, y2im);
            store_slot(pa, a);
            store_slot(pb, b);
            store_slot(pc, c);
            store_slot(pd, d);
        }
    }
}

// All stages on n slots that are already in bit-reversed order.
ZARVO_AVX2 void lane_stages(float* data, const FftPlan& plan) {
    const float* wre = plan.twiddle_re.data();
    const float* wim = plan.twiddle_im.data();
    int stage = 0;
    if (plan.bits % 2 == 1) {
        lane_stage(data, plan.n, 1, wre, wim);
        stage = 1;
    }
    for (; stage < plan.bits; stage += 2) {
        const std::uint32_t h = std::uint32_t{1} << stage;
        lane_stage_pair(data, plan.n, h, wre + (h - 1), wim + (h - 1), wre + (2 * h - 1),
                        wim + (2 * h - 1));
    }
}

// r[i] lane j <- r[j] lane i.
ZARVO_AVX2 inline void transpose8(__m256 r[8]) {
    const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]);
    const __m256 t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]);
    const __m256 t3 = _mm256_unpackhi_ps(r[2], r[3]);
    const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]);
    const __m256 t5 = _mm256_unpackhi_ps(r[4], r[5]);
    const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]);
    const __m256 t7 = _mm256_unpackhi_ps(r[6], r[7]);
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44);
    const __m256 u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44);
    const __m256 u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    const __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44);
    const __m256 u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    const __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44);
    const __m256 u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

// Rows g .. g + 7 of the row-major samples into n slots of work, column k
// into slot reversed(k).
ZARVO_AVX2 void load_rows(const float* samples, float* work, std::uint32_t g, const FftPlan& plan) {
    const std::uint32_t n = plan.n;
    const std::uint32_t* reversed = plan.reversed.data();
    const float* rows = samples + std::size_t{2} * g * n;
    for (std::uint32_t t = 0; t < n; t += 8) {
        // Eight rows of eight samples; each half-tile is four (re, im) pairs
        // per row, which a transpose turns into re, im, re, im ... over rows.
        __m256 lo[8];
        __m256 hi[8];
        for (std::uint32_t i = 0; i < 8; ++i) {
            const float* src = rows + std::size_t{2} * (std::size_t{i} * n + t);
            lo[i] = _mm256_loadu_ps(src);
            hi[i] = _mm256_loadu_ps(src + 8);
        }
        transpose8(lo);
        transpose8(hi);
        for (std::uint32_t c = 0; c < 4; ++c) {
            store_slot(work + kSlot * reversed[t + c], {lo[2 * c], lo[2 * c + 1]});
            store_slot(work + kSlot * reversed[t + 4 + c], {hi[2 * c], hi[2 * c + 1]});
        }
    }
}

// Transformed rows g .. g + 7 from work into the column blocks of scratch.
ZARVO_AVX2 void store_rows(const float* work, float* blocks, std::uint32_t g, const FftPlan& plan) {
    const std::uint32_t n = plan.n;
    const std::uint32_t* reversed = plan.reversed.data();
    for (std::uint32_t t = 0; t < n; t += 8) {
        __m256 re[8];
        __m256 im[8];
        for (std::uint32_t c = 0; c < 8; ++c) {
            re[c] = _mm256_loadu_ps(work + kSlot * (t + c));
            im[c] = _mm256_loadu_ps(work + kSlot * (t + c) + 8);
        }
        transpose8(re);
        transpose8(im);
        float* block = blocks + kSlot * std::size_t{t} * n / 8;
        for (std::uint32_t i = 0; i < 8; ++i) {
            store_slot(block + kSlot * reversed[g + i], {re[i], im[i]});
        }
    }
}

// A transformed column block back into rows of samples.
ZARVO_AVX2 void store_block(const float* block, float* samples, std::uint32_t t, std::uint32_t n) {
    for (std::uint32_t r = 0; r < n; ++r) {
        const Lanes v = load_slot(block + kSlot * r);
        const __m256 lo = _mm256_unpacklo_ps(v.re, v.im);  // 0 1 | 4 5 as (re, im) pairs
        const __m256 hi = _mm256_unpackhi_ps(v.re, v.im);  // 2 3 | 6 7
        float* dst = samples + std::size_t{2} * (std::size_t{r} * n + t);
        _mm256_storeu_ps(dst, _mm256_permute2f128_ps(lo, hi, 0x20));
        _mm256_storeu_ps(dst + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
    }
}

ZARVO_AVX2 void transform_lanes(ComplexGrid& grid, const FftPlan& plan) {
    const std::uint32_t n = plan.n;
    float* samples = &grid.samples[0].re;
    float* blocks = &grid.scratch[0].re;
    // n slots of eight rows: 64 KiB at the largest side, on the stack so
    // that the transform allocates nothing.
    alignas(64) float work[kMaxSide * kSlot];
    for (std::uint32_t g = 0; g < n; g += 8) {
        load_rows(samples, work, g, plan);
        lane_stages(work, plan);
        store_rows(work, blocks, g, plan);
    }
    for (std::uint32_t t = 0; t < n; t += 8) {
        float* block = blocks + kSlot * std::size_t{t} * n / 8;
        lane_stages(block, plan);
        store_block(block, samples, t, n);
    }
}

}  // namespace

bool fft_avx2_supported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

void transform_2d_avx2(ComplexGrid& grid) {
    assert(fft_avx2_supported());
    const std::uint32_t n = static_cast<std::uint32_t>(grid.width);
    const FftPlan* plan = grid.width == grid.height ? fft_plan(n) : nullptr;
    if (plan == nullptr || n < kMinSide || n > kMaxSide || !fft_avx2_supported()) {
        transform_2d_portable(grid);
        return;
    }
    if (grid.scratch == nullptr) {
        grid.scratch = new Complex[std::size_t{n} * n];
    }
    transform_lanes(grid, *plan);
}

#else  // no x86: the portable path is the only one

bool fft_avx2_supported() {
    return false;
}

void transform_2d_avx2(ComplexGrid& grid) {
    transform_2d_portable(grid);
}

#endif
