// The 2-D transform in AVX2 lanes, in place in `samples`.
//
// Every lane runs exactly the scalar operations of one butterfly in the
// scalar order (separate multiplies, adds and subtracts, never fused), so
// each output has the bit pattern the plain definition gives. What changes is
// where the data sit and which butterfly runs in which lane. A slot is one
// cache line of eight lanes: 8 real parts, then 8 imaginary parts.
//
// Row pass, one row at a time (n = 8M samples). After bit reversal the first
// log2(M) stages never mix the eight chunks of M samples, and all chunks use
// the same twiddles; chunk c of the reversed row is made of the samples
// 8j + rev3(c), so the eight samples x[8j .. 8j + 7], split into real and
// imaginary parts, are exactly one slot (position rev(j) of M slots, lane =
// chunk) and those stages run lane by lane with a broadcast twiddle. An 8x8
// transpose of eight such slots then puts each chunk in a vector of its own,
// the last three stages combine whole vectors with per-lane twiddles, and
// the results come out as eight consecutive outputs per vector.
//
// The rows' outputs go to `scratch`, column-blocked: block t holds columns
// 8t .. 8t + 7 of every row as one slot (lane = column), the slots in
// bit-reversed row order. Column pass, one block at a time: the block is
// contiguous and already permuted, so all stages run in place there, the
// last two as each slot is interleaved back into (re, im) pairs in its line
// of `samples`. Reading the columns straight from `samples` instead would
// touch one line per 4 KiB page, which no prefetcher follows.
//
// Result: what rows, transpose, rows, transpose give, with no array beyond
// samples, scratch and a row work array of n / 8 slots on the stack.
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "spectrum/fft_kernels.hpp"
#include "spectrum/fft_plan.hpp"
#include "spectrum/grid_storage.hpp"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

// Code compiled for AVX2 only where it is used: the rest of the build stays
// at the baseline instruction set, and this runs only after the CPU check.
// FMA is deliberately not enabled: a fused multiply-add rounds once where the
// transform rounds twice.
#define ZARVO_AVX2 __attribute__((target("avx2")))

namespace {

// Smallest side: the row kernel transposes eight slots of a chunk and runs
// the first two stages on four slots at once.
constexpr std::uint32_t kMinSide = 64;
// Largest side: the row work array lives on the stack.
constexpr std::uint32_t kMaxSide = 1024;
constexpr std::size_t kSlot = 16;  // floats per slot

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

// Twiddle tables of stage s (half h = 2^s) start at entry h - 1.
struct Twiddles {
    const float* re;
    const float* im;
    Twiddles stage(std::uint32_t h) const { return {re + (h - 1), im + (h - 1)}; }
};

// One radix-2 stage of half h over `count` slots, one twiddle for all lanes.
ZARVO_AVX2 void lane_stage(float* data, std::uint32_t count, std::uint32_t h, Twiddles w) {
    for (std::uint32_t j = 0; j < h; ++j) {
        const __m256 vre = _mm256_broadcast_ss(w.re + j);
        const __m256 vim = _mm256_broadcast_ss(w.im + j);
        for (std::uint32_t k = j; k < count; k += 2 * h) {
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
ZARVO_AVX2 void lane_stage_pair(float* data, std::uint32_t count, std::uint32_t h, Twiddles w1,
                                Twiddles w2) {
    for (std::uint32_t j = 0; j < h; ++j) {
        const __m256 x1re = _mm256_broadcast_ss(w1.re + j);
        const __m256 x1im = _mm256_broadcast_ss(w1.im + j);
        const __m256 y1re = _mm256_broadcast_ss(w2.re + j);
        const __m256 y1im = _mm256_broadcast_ss(w2.im + j);
        const __m256 y2re = _mm256_broadcast_ss(w2.re + j + h);
        const __m256 y2im = _mm256_broadcast_ss(w2.im + j + h);
        for (std::uint32_t k = j; k < count; k += 4 * h) {
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

// Stages first .. end - 1 on `count` slots already in bit-reversed order
// (and through stage first - 1).
ZARVO_AVX2 void lane_stages(float* data, std::uint32_t count, int first, int end, Twiddles w) {
    int stage = first;
    if ((end - first) % 2 == 1) {
        lane_stage(data, count, std::uint32_t{1} << stage, w.stage(std::uint32_t{1} << stage));
        ++stage;
    }
    for (; stage < end; stage += 2) {
        const std::uint32_t h = std::uint32_t{1} << stage;
        lane_stage_pair(data, count, h, w.stage(h), w.stage(2 * h));
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

// Eight samples as (re, im) pairs -> one slot. The lanes come out in the
// order 0 1 4 5 2 3 6 7 of the samples (no cross-half fix-up is spent on it);
// kChunkLane below accounts for that order.
ZARVO_AVX2 inline Lanes split_pairs(const float* pairs) {
    const __m256 a = _mm256_loadu_ps(pairs);
    const __m256 b = _mm256_loadu_ps(pairs + 8);
    return {_mm256_shuffle_ps(a, b, 0x88), _mm256_shuffle_ps(a, b, 0xDD)};
}

// Lane L of a split slot holds sample 8j + {0,1,4,5,2,3,6,7}[L], which
// belongs to chunk rev3 of that: chunk c sits in lane kChunkLane[c].
constexpr std::uint32_t kChunkLane[8] = {0, 2, 4, 6, 1, 3, 5, 7};

// One row of n = 8M samples, transformed and written back in place as n / 8
// slots, slot t holding outputs 8t .. 8t + 7.
ZARVO_AVX2 void transform_row(const float* row, float* chunks, float* blocks, std::uint32_t pos,
                              const FftPlan& plan) {
    const std::uint32_t n = plan.n;
    const std::uint32_t count = n / 8;  // M slots, lane = chunk
    const int chunk_bits = plan.bits - 3;
    const std::uint32_t* reversed = plan.reversed.data();
    const Twiddles w{plan.twiddle_re.data(), plan.twiddle_im.data()};
    // Slot p of the chunks holds samples 8 rev(p) .. 8 rev(p) + 7, with rev
    // the M-point reversal (reversed[] is for n: rev(p) = reversed[p] >> 3).
    // The first two stages run on four slots at a time as they are loaded.
    for (std::uint32_t p = 0; p < count; p += 4) {
        Lanes a = split_pairs(row + 16 * std::size_t{reversed[p] >> 3});
        Lanes b = split_pairs(row + 16 * std::size_t{reversed[p + 1] >> 3});
        Lanes c = split_pairs(row + 16 * std::size_t{reversed[p + 2] >> 3});
        Lanes d = split_pairs(row + 16 * std::size_t{reversed[p + 3] >> 3});
        const __m256 one = _mm256_broadcast_ss(w.re);
        const __m256 zero = _mm256_broadcast_ss(w.im);
        butterfly(a, b, one, zero);
        butterfly(c, d, one, zero);
        butterfly(a, c, _mm256_broadcast_ss(w.re + 1), _mm256_broadcast_ss(w.im + 1));
        butterfly(b, d, _mm256_broadcast_ss(w.re + 2), _mm256_broadcast_ss(w.im + 2));
        float* out = chunks + kSlot * p;
        store_slot(out, a);
        store_slot(out + kSlot, b);
        store_slot(out + 2 * kSlot, c);
        store_slot(out + 3 * kSlot, d);
    }
    lane_stages(chunks, count, 2, chunk_bits, w);

    const Twiddles w1 = w.stage(count);
    const Twiddles w2 = w.stage(2 * count);
    const Twiddles w3 = w.stage(4 * count);
    for (std::uint32_t k0 = 0; k0 < count; k0 += 8) {
        __m256 re[8];
        __m256 im[8];
        for (std::uint32_t i = 0; i < 8; ++i) {
            const Lanes v = load_slot(chunks + kSlot * (k0 + i));
            re[i] = v.re;
            im[i] = v.im;
        }
        transpose8(re);
        transpose8(im);
        // xc: chunk c, elements k0 .. k0 + 7 of it (written out so that all
        // of it stays in registers).
        Lanes x0{re[kChunkLane[0]], im[kChunkLane[0]]};
        Lanes x1{re[kChunkLane[1]], im[kChunkLane[1]]};
        Lanes x2{re[kChunkLane[2]], im[kChunkLane[2]]};
        Lanes x3{re[kChunkLane[3]], im[kChunkLane[3]]};
        Lanes x4{re[kChunkLane[4]], im[kChunkLane[4]]};
        Lanes x5{re[kChunkLane[5]], im[kChunkLane[5]]};
        Lanes x6{re[kChunkLane[6]], im[kChunkLane[6]]};
        Lanes x7{re[kChunkLane[7]], im[kChunkLane[7]]};
        // Half M: chunks (c, c + 1), twiddle index k.
        const __m256 a1re = _mm256_loadu_ps(w1.re + k0);
        const __m256 a1im = _mm256_loadu_ps(w1.im + k0);
        butterfly(x0, x1, a1re, a1im);
        butterfly(x2, x3, a1re, a1im);
        butterfly(x4, x5, a1re, a1im);
        butterfly(x6, x7, a1re, a1im);
        // Half 2M: chunks (c, c + 2), twiddle index (c mod 4) M + k.
        const __m256 a2re = _mm256_loadu_ps(w2.re + k0);
        const __m256 a2im = _mm256_loadu_ps(w2.im + k0);
        const __m256 b2re = _mm256_loadu_ps(w2.re + count + k0);
        const __m256 b2im = _mm256_loadu_ps(w2.im + count + k0);
        butterfly(x0, x2, a2re, a2im);
        butterfly(x1, x3, b2re, b2im);
        butterfly(x4, x6, a2re, a2im);
        butterfly(x5, x7, b2re, b2im);
        // Half 4M: chunks (c, c + 4), twiddle index c M + k.
        butterfly(x0, x4, _mm256_loadu_ps(w3.re + k0), _mm256_loadu_ps(w3.im + k0));
        butterfly(x1, x5, _mm256_loadu_ps(w3.re + count + k0), _mm256_loadu_ps(w3.im + count + k0));
        butterfly(x2, x6, _mm256_loadu_ps(w3.re + 2 * count + k0),
                  _mm256_loadu_ps(w3.im + 2 * count + k0));
        butterfly(x3, x7, _mm256_loadu_ps(w3.re + 3 * count + k0),
                  _mm256_loadu_ps(w3.im + 3 * count + k0));
        // Chunk c, elements k0 .. k0 + 7 are outputs cM + k0 .. cM + k0 + 7:
        // columns of block (cM + k0) / 8.
        const std::size_t block_floats = kSlot * std::size_t{n};
        float* out = blocks + kSlot * std::size_t{pos} + block_floats * (k0 / 8);
        const std::size_t chunk_floats = block_floats * (count / 8);
        store_slot(out, x0);
        store_slot(out + chunk_floats, x1);
        store_slot(out + 2 * chunk_floats, x2);
        store_slot(out + 3 * chunk_floats, x3);
        store_slot(out + 4 * chunk_floats, x4);
        store_slot(out + 5 * chunk_floats, x5);
        store_slot(out + 6 * chunk_floats, x6);
        store_slot(out + 7 * chunk_floats, x7);
    }
}

// Columns 8t .. 8t + 7 from their block (slots in bit-reversed row order),
// transformed and written back as (re, im) pairs.
ZARVO_AVX2 void transform_columns(float* samples, std::uint32_t t, float* block,
                                  const FftPlan& plan) {
    const std::uint32_t n = plan.n;
    float* column = samples + 2 * std::size_t{t};
    const std::size_t row_floats = 2 * std::size_t{n};
    const Twiddles w{plan.twiddle_re.data(), plan.twiddle_im.data()};
    lane_stages(block, n, 0, plan.bits - 2, w);
    // The last two stages run as the results are written: rows j, j + n/4,
    // j + n/2 and j + 3n/4 come out of one group of four slots.
    const std::uint32_t h = n / 4;
    const Twiddles w1 = w.stage(h);
    const Twiddles w2 = w.stage(2 * h);
    for (std::uint32_t j = 0; j < h; ++j) {
        Lanes x[4];
        for (std::uint32_t i = 0; i < 4; ++i) {
            x[i] = load_slot(block + kSlot * (j + i * h));
        }
        const __m256 x1re = _mm256_broadcast_ss(w1.re + j);
        const __m256 x1im = _mm256_broadcast_ss(w1.im + j);
        butterfly(x[0], x[1], x1re, x1im);
        butterfly(x[2], x[3], x1re, x1im);
        butterfly(x[0], x[2], _mm256_broadcast_ss(w2.re + j), _mm256_broadcast_ss(w2.im + j));
        butterfly(x[1], x[3], _mm256_broadcast_ss(w2.re + j + h),
                  _mm256_broadcast_ss(w2.im + j + h));
        for (std::uint32_t i = 0; i < 4; ++i) {
            const __m256 lo = _mm256_unpacklo_ps(x[i].re, x[i].im);  // pairs 0 1 | 4 5
            const __m256 hi = _mm256_unpackhi_ps(x[i].re, x[i].im);  // pairs 2 3 | 6 7
            float* dst = column + row_floats * (j + i * h);
            _mm256_storeu_ps(dst, _mm256_permute2f128_ps(lo, hi, 0x20));
            _mm256_storeu_ps(dst + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
        }
    }
}

ZARVO_AVX2 void transform_lanes(float* samples, float* blocks, const FftPlan& plan) {
    const std::uint32_t n = plan.n;
    // n / 8 slots: 8 KiB at the largest side, on the stack so that the
    // transform allocates nothing.
    alignas(64) float work[kMaxSide / 8 * kSlot];
    // Rows in bit-reversed order, so that each block fills front to back.
    for (std::uint32_t p = 0; p < n; ++p) {
        const std::uint32_t r = plan.reversed[p];
        transform_row(samples + 2 * std::size_t{r} * n, work, blocks, p, plan);
    }
    for (std::uint32_t t = 0; t < n; t += 8) {
        transform_columns(samples, t, blocks + kSlot * std::size_t{n} * (t / 8), plan);
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
    const FftPlan* plan = grid.width == grid.height ? fft_plan_of(grid) : nullptr;
    if (plan == nullptr || n < kMinSide || n > kMaxSide || !fft_avx2_supported()) {
        transform_2d_portable(grid);
        return;
    }
    // The row outputs, column-blocked; the grid keeps this array for good.
    if (grid.scratch == nullptr) {
        grid.scratch = grid_allocate(grid.size());
    }
    transform_lanes(&grid.samples[0].re, &grid.scratch[0].re, *plan);
}

#else  // no x86: the portable path is the only one

bool fft_avx2_supported() {
    return false;
}

void transform_2d_avx2(ComplexGrid& grid) {
    transform_2d_portable(grid);
}

#endif
