// The 2-D transform in AVX-512 lanes: the method of fft_avx2.cpp with two
// problems side by side in every 512-bit register, one per 256-bit half.
//
// Every lane runs exactly the scalar operations of one butterfly in the
// scalar order (separate multiplies, adds and subtracts, never fused), so the
// bits are those of the plain definition; only the place of the data and the
// grouping of independent butterflies change. Three stages at a time run in
// registers (eight operands whose indices differ by the stage spans) between
// one load and one store of each operand.
//
// Row pass, two rows at a time (n = 8M samples): after bit reversal the first
// log2(M) stages never mix the eight chunks of M samples, so with chunk c in
// lane rev3(c) they run lane by lane with one broadcast twiddle; the low half
// of each register holds row A, the high half row B. An 8x8 transpose inside
// each half then gives every chunk a register half of its own, and the last
// three stages combine whole registers with per-lane twiddles.
//
// The rows' outputs go to `scratch`, column-blocked: a block holds sixteen
// columns (two runs of eight, see record_lanes) of every row as one 128-byte
// record (16 real parts, then 16 imaginary parts, lane = column), the
// records in bit-reversed row order.
// The column pass then finds each block contiguous and already permuted:
// the first stages run there as soon as their rows are in, the last three
// as the results are interleaved back into (re, im) pairs in `samples`.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "spectrum/fft_kernels.hpp"
#include "spectrum/fft_plan.hpp"
#include "spectrum/grid_storage.hpp"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

// GCC 12 reports the deliberately undefined upper halves inside its own
// cast and extract intrinsics as uninitialized; nothing here reads them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Code compiled for AVX-512 only where it is used; it runs only after the CPU
// check. AVX-512 F brings the FMA instructions along (compilers offer no way
// to enable one without the other), so it is the build's -ffp-contract=off
// that keeps every product and sum apart: a fused multiply-add rounds once
// where the transform rounds twice, and the bit-for-bit tests would fail.
#define ZARVO_AVX512 __attribute__((target("avx2,avx512f,avx512dq")))
// The helpers must melt into their loops: an array of eight operands kept in
// registers only survives when every index is a constant.
#define ZARVO_AVX512_INLINE inline __attribute__((always_inline, target("avx2,avx512f,avx512dq")))

namespace {

// Smallest side: the row kernel runs the first three stages on eight
// records as they are loaded and needs an even number of rows.
constexpr std::uint32_t kMinSide = 64;
// Largest side: the row work array lives on the stack.
constexpr std::uint32_t kMaxSide = 1024;
constexpr std::size_t kRecord = 32;  // floats per record: 16 re, 16 im

struct Lanes {
    __m512 re;
    __m512 im;
};

ZARVO_AVX512_INLINE Lanes load_record(const float* p) {
    return {_mm512_loadu_ps(p), _mm512_loadu_ps(p + 16)};
}

ZARVO_AVX512_INLINE void store_record(float* p, Lanes v) {
    _mm512_storeu_ps(p, v.re);
    _mm512_storeu_ps(p + 16, v.im);
}

// p, q <- p + w q, p - w q, lane by lane, in the operation order of the
// scalar butterfly.
ZARVO_AVX512_INLINE void butterfly(Lanes& p, Lanes& q, __m512 wre, __m512 wim) {
    const __m512 tre = _mm512_sub_ps(_mm512_mul_ps(q.re, wre), _mm512_mul_ps(q.im, wim));
    const __m512 tim = _mm512_add_ps(_mm512_mul_ps(q.re, wim), _mm512_mul_ps(q.im, wre));
    q.re = _mm512_sub_ps(p.re, tre);
    q.im = _mm512_sub_ps(p.im, tim);
    p.re = _mm512_add_ps(tre, p.re);
    p.im = _mm512_add_ps(tim, p.im);
}

// Twiddle tables of stage s (half h = 2^s) start at entry h - 1.
struct Twiddles {
    const float* re;
    const float* im;
    Twiddles stage(std::uint32_t h) const { return {re + (h - 1), im + (h - 1)}; }
    // Entry i of this stage in every lane.
    ZARVO_AVX512_INLINE __m512 bre(std::uint32_t i) const { return _mm512_set1_ps(re[i]); }
    ZARVO_AVX512_INLINE __m512 bim(std::uint32_t i) const { return _mm512_set1_ps(im[i]); }
};

// Stages of halves h, 2h and 4h on x[i] = element e + i h, where e mod 2h = j
// (e lies in the first half of its group). Each stage pairs exactly the
// operands it pairs in the stage-by-stage order, with the twiddle of the
// operand's position in its group.
template <std::uint32_t h>
ZARVO_AVX512_INLINE void radix8(Lanes (&x)[8], Twiddles w, std::uint32_t j) {
    const Twiddles w1 = w.stage(h);
    const Twiddles w2 = w.stage(2 * h);
    const Twiddles w3 = w.stage(4 * h);
    const __m512 ar = w1.bre(j);
    const __m512 ai = w1.bim(j);
    butterfly(x[0], x[1], ar, ai);
    butterfly(x[2], x[3], ar, ai);
    butterfly(x[4], x[5], ar, ai);
    butterfly(x[6], x[7], ar, ai);
    const __m512 br0 = w2.bre(j);
    const __m512 bi0 = w2.bim(j);
    const __m512 br1 = w2.bre(j + h);
    const __m512 bi1 = w2.bim(j + h);
    butterfly(x[0], x[2], br0, bi0);
    butterfly(x[1], x[3], br1, bi1);
    butterfly(x[4], x[6], br0, bi0);
    butterfly(x[5], x[7], br1, bi1);
    butterfly(x[0], x[4], w3.bre(j), w3.bim(j));
    butterfly(x[1], x[5], w3.bre(j + h), w3.bim(j + h));
    butterfly(x[2], x[6], w3.bre(j + 2 * h), w3.bim(j + 2 * h));
    butterfly(x[3], x[7], w3.bre(j + 3 * h), w3.bim(j + 3 * h));
}

// One stage of half h over `count` records.
template <std::uint32_t count, std::uint32_t h>
ZARVO_AVX512 void lane_stage(float* data, Twiddles w) {
    const Twiddles w1 = w.stage(h);
    for (std::uint32_t j = 0; j < h; ++j) {
        const __m512 vre = w1.bre(j);
        const __m512 vim = w1.bim(j);
        for (std::uint32_t k = j; k < count; k += 2 * h) {
            float* a = data + kRecord * k;
            float* b = a + kRecord * h;
            Lanes p = load_record(a);
            Lanes q = load_record(b);
            butterfly(p, q, vre, vim);
            store_record(a, p);
            store_record(b, q);
        }
    }
}

// Stages of halves h and 2h per pass.
template <std::uint32_t count, std::uint32_t h>
ZARVO_AVX512 void lane_stage_pair(float* data, Twiddles w) {
    const Twiddles w1 = w.stage(h);
    const Twiddles w2 = w.stage(2 * h);
    for (std::uint32_t j = 0; j < h; ++j) {
        const __m512 x1re = w1.bre(j);
        const __m512 x1im = w1.bim(j);
        const __m512 y1re = w2.bre(j);
        const __m512 y1im = w2.bim(j);
        const __m512 y2re = w2.bre(j + h);
        const __m512 y2im = w2.bim(j + h);
        for (std::uint32_t k = j; k < count; k += 4 * h) {
            float* pa = data + kRecord * k;
            float* pb = pa + kRecord * h;
            float* pc = pb + kRecord * h;
            float* pd = pc + kRecord * h;
            Lanes a = load_record(pa);
            Lanes b = load_record(pb);
            Lanes c = load_record(pc);
            Lanes d = load_record(pd);
            butterfly(a, b, x1re, x1im);
            butterfly(c, d, x1re, x1im);
            butterfly(a, c, y1re, y1im);
            butterfly(b, d, y2re, y2im);
            store_record(pa, a);
            store_record(pb, b);
            store_record(pc, c);
            store_record(pd, d);
        }
    }
}

// Stages of halves h, 2h and 4h per pass.
template <std::uint32_t count, std::uint32_t h>
ZARVO_AVX512 void lane_stage_triple(float* data, Twiddles w) {
    for (std::uint32_t j = 0; j < h; ++j) {
        for (std::uint32_t k = j; k < count; k += 8 * h) {
            float* base = data + kRecord * k;
            Lanes x[8];
#pragma GCC unroll 8
            for (std::uint32_t i = 0; i < 8; ++i) {
                x[i] = load_record(base + kRecord * h * i);
            }
            radix8<h>(x, w, j);
#pragma GCC unroll 8
            for (std::uint32_t i = 0; i < 8; ++i) {
                store_record(base + kRecord * h * i, x[i]);
            }
        }
    }
}

// Stages first .. end - 1 on `count` records already in bit-reversed order
// (and through stage first - 1): three at a time, then two or one. Sizes
// and spans are constants, so every address is a base plus a displacement.
template <std::uint32_t count, int first, int end>
ZARVO_AVX512_INLINE void lane_stages(float* data, Twiddles w) {
    if constexpr (end - first >= 3) {
        lane_stage_triple<count, std::uint32_t{1} << first>(data, w);
        lane_stages<count, first + 3, end>(data, w);
    } else if constexpr (end - first == 2) {
        lane_stage_pair<count, std::uint32_t{1} << first>(data, w);
    } else if constexpr (end - first == 1) {
        lane_stage<count, std::uint32_t{1} << first>(data, w);
    }
}

// log2 of a power of two, for sizes fixed at compile time.
constexpr int log2_of(std::uint32_t n) {
    return n <= 1 ? 0 : 1 + log2_of(n / 2);
}

// The 128-bit quarters (a0, b0, a2, b2) and (a1, b1, a3, b3): in each
// 256-bit half, the lower and the upper 128 bits of a and b side by side.
ZARVO_AVX512_INLINE __m512 lower_quarters(__m512 a, __m512 b) {
    const __m512i index =
        _mm512_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19, 8, 9, 10, 11, 24, 25, 26, 27);
    return _mm512_permutex2var_ps(a, index, b);
}

ZARVO_AVX512_INLINE __m512 upper_quarters(__m512 a, __m512 b) {
    const __m512i index =
        _mm512_setr_epi32(4, 5, 6, 7, 20, 21, 22, 23, 12, 13, 14, 15, 28, 29, 30, 31);
    return _mm512_permutex2var_ps(a, index, b);
}

// In each 256-bit half: r[i] lane j <- r[j] lane i.
ZARVO_AVX512_INLINE void transpose8(__m512 (&r)[8]) {
    const __m512 t0 = _mm512_unpacklo_ps(r[0], r[1]);
    const __m512 t1 = _mm512_unpackhi_ps(r[0], r[1]);
    const __m512 t2 = _mm512_unpacklo_ps(r[2], r[3]);
    const __m512 t3 = _mm512_unpackhi_ps(r[2], r[3]);
    const __m512 t4 = _mm512_unpacklo_ps(r[4], r[5]);
    const __m512 t5 = _mm512_unpackhi_ps(r[4], r[5]);
    const __m512 t6 = _mm512_unpacklo_ps(r[6], r[7]);
    const __m512 t7 = _mm512_unpackhi_ps(r[6], r[7]);
    const __m512 u0 = _mm512_shuffle_ps(t0, t2, 0x44);
    const __m512 u1 = _mm512_shuffle_ps(t0, t2, 0xEE);
    const __m512 u2 = _mm512_shuffle_ps(t1, t3, 0x44);
    const __m512 u3 = _mm512_shuffle_ps(t1, t3, 0xEE);
    const __m512 u4 = _mm512_shuffle_ps(t4, t6, 0x44);
    const __m512 u5 = _mm512_shuffle_ps(t4, t6, 0xEE);
    const __m512 u6 = _mm512_shuffle_ps(t5, t7, 0x44);
    const __m512 u7 = _mm512_shuffle_ps(t5, t7, 0xEE);
    r[0] = lower_quarters(u0, u4);
    r[1] = lower_quarters(u1, u5);
    r[2] = lower_quarters(u2, u6);
    r[3] = lower_quarters(u3, u7);
    r[4] = upper_quarters(u0, u4);
    r[5] = upper_quarters(u1, u5);
    r[6] = upper_quarters(u2, u6);
    r[7] = upper_quarters(u3, u7);
}

// Eight samples of row A and eight of row B as (re, im) pairs -> one record,
// A in the low half, sample 8j + L in lane L of its half.
ZARVO_AVX512_INLINE Lanes split_pairs(const float* a, const float* b) {
    const __m512 lo = _mm512_loadu_ps(a);
    const __m512 hi = _mm512_loadu_ps(b);
    const __m512i even =
        _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const __m512i odd =
        _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
    return {_mm512_permutex2var_ps(lo, even, hi), _mm512_permutex2var_ps(lo, odd, hi)};
}

// Sample 8j + L belongs to chunk rev3(L): chunk c sits in lane rev3(c).
constexpr std::uint32_t kChunkLane[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// A record pairs two chunks c, c + 1 at the same eight elements k0 .. k0 + 7:
// lanes 4q, 4q + 1 hold elements k0 + 2q, k0 + 2q + 1 of chunk c and lanes
// 4q + 2, 4q + 3 the same elements of chunk c + 1, so that unpacking the
// real and imaginary parts gives the (re, im) pairs of each chunk's eight
// outputs in order, with no lane crossing. These indices pick that order
// from (chunk c, chunk c + 1) out of row A's halves; + 8 gives row B's.
ZARVO_AVX512_INLINE __m512i record_lanes() {
    return _mm512_setr_epi32(0, 1, 16, 17, 2, 3, 18, 19, 4, 5, 20, 21, 6, 7, 22, 23);
}

// The same eight per-lane twiddles in both halves.
ZARVO_AVX512_INLINE __m512 both_halves(const float* p) {
    return _mm512_broadcast_f32x8(_mm256_loadu_ps(p));
}

// Reads every cache line of the three arrays in address order, one line of
// each in turn. The passes below visit rows in bit-reversed order and write
// column blocks and row runs far apart, which no hardware prefetcher
// follows; swept in order first, the arrays stream in at full speed instead
// of one miss at a time (between two frames the GL driver's own sweeps have
// pushed them out of the caches).
ZARVO_AVX512 void stream_in(const float* a, const float* b, const float* c, std::size_t floats) {
    __m512i seen = _mm512_setzero_si512();
    for (std::size_t at = 0; at + 16 <= floats; at += 16) {
        seen = _mm512_or_si512(seen, _mm512_loadu_si512(a + at));
        seen = _mm512_or_si512(seen, _mm512_loadu_si512(b + at));
        seen = _mm512_or_si512(seen, _mm512_loadu_si512(c + at));
    }
    // Keeps the loads: their only purpose is the cache.
    asm volatile("" : : "v"(seen));
}

// Rows a and b of n = 8M samples, transformed; their outputs go to the
// records at bit-reversed positions pos and pos + 1 of every block.
template <std::uint32_t n>
ZARVO_AVX512 void transform_rows(const float* row_a, const float* row_b, float* chunks,
                                 float* blocks, std::uint32_t pos, const FftPlan& plan) {
    constexpr std::uint32_t count = n / 8;  // M records, lane = chunk
    constexpr int chunk_bits = log2_of(n) - 3;
    const std::uint32_t* reversed = plan.reversed.data();
    const Twiddles w{plan.twiddle_re.data(), plan.twiddle_im.data()};
    // Record p of the chunks holds samples 8 rev(p) .. 8 rev(p) + 7 of both
    // rows, with rev the M-point reversal (rev(p) = reversed[p] >> 3). The
    // first three stages run on eight records at a time as they are loaded.
    for (std::uint32_t p = 0; p < count; p += 8) {
        Lanes x[8];
#pragma GCC unroll 8
        for (std::uint32_t i = 0; i < 8; ++i) {
            const std::size_t at = 16 * std::size_t{reversed[p + i] >> 3};
            x[i] = split_pairs(row_a + at, row_b + at);
        }
        radix8<1>(x, w, 0);
#pragma GCC unroll 8
        for (std::uint32_t i = 0; i < 8; ++i) {
            store_record(chunks + kRecord * (p + i), x[i]);
        }
    }
    lane_stages<count, 3, chunk_bits>(chunks, w);

    const Twiddles w1 = w.stage(count);
    const Twiddles w2 = w.stage(2 * count);
    const Twiddles w3 = w.stage(4 * count);
    const std::size_t block_floats = kRecord * std::size_t{n};
    for (std::uint32_t k0 = 0; k0 < count; k0 += 8) {
        __m512 re[8];
        __m512 im[8];
#pragma GCC unroll 8
        for (std::uint32_t i = 0; i < 8; ++i) {
            const Lanes v = load_record(chunks + kRecord * (k0 + i));
            re[i] = v.re;
            im[i] = v.im;
        }
        transpose8(re);
        transpose8(im);
        // x[c]: chunk c, elements k0 .. k0 + 7 of it, in both halves.
        Lanes x[8];
#pragma GCC unroll 8
        for (std::uint32_t c = 0; c < 8; ++c) {
            x[c] = {re[kChunkLane[c]], im[kChunkLane[c]]};
        }
        // Half M: chunks (c, c + 1), twiddle index k.
        const __m512 a1re = both_halves(w1.re + k0);
        const __m512 a1im = both_halves(w1.im + k0);
        butterfly(x[0], x[1], a1re, a1im);
        butterfly(x[2], x[3], a1re, a1im);
        butterfly(x[4], x[5], a1re, a1im);
        butterfly(x[6], x[7], a1re, a1im);
        // Half 2M: chunks (c, c + 2), twiddle index (c mod 4) M + k.
        const __m512 a2re = both_halves(w2.re + k0);
        const __m512 a2im = both_halves(w2.im + k0);
        const __m512 b2re = both_halves(w2.re + count + k0);
        const __m512 b2im = both_halves(w2.im + count + k0);
        butterfly(x[0], x[2], a2re, a2im);
        butterfly(x[1], x[3], b2re, b2im);
        butterfly(x[4], x[6], a2re, a2im);
        butterfly(x[5], x[7], b2re, b2im);
// Half 4M: chunks (c, c + 4), twiddle index c M + k.
#pragma GCC unroll 8
        for (std::uint32_t c = 0; c < 4; ++c) {
            butterfly(x[c], x[c + 4], both_halves(w3.re + c * count + k0),
                      both_halves(w3.im + c * count + k0));
        }
#pragma GCC unroll 4
        for (std::uint32_t c = 0; c < 8; c += 2) {
            // Chunks c and c + 1, elements k0 .. k0 + 7: outputs cM + k0 ..
            // cM + k0 + 7 and (c + 1)M + k0 .. (c + 1)M + k0 + 7, one record
            // of row A and one of row B.
            float* out = blocks + block_floats * ((c / 2) * (count / 8) + k0 / 8) +
                         kRecord * std::size_t{pos};
            const __m512i lanes_a = record_lanes();
            const __m512i lanes_b = _mm512_add_epi32(lanes_a, _mm512_set1_epi32(8));
            store_record(out, {_mm512_permutex2var_ps(x[c].re, lanes_a, x[c + 1].re),
                               _mm512_permutex2var_ps(x[c].im, lanes_a, x[c + 1].im)});
            store_record(out + kRecord, {_mm512_permutex2var_ps(x[c].re, lanes_b, x[c + 1].re),
                                         _mm512_permutex2var_ps(x[c].im, lanes_b, x[c + 1].im)});
        }
    }
}

// One block (records in bit-reversed row order, through all but the last
// three stages), finished and written back as (re, im) pairs: rows j + i n/8
// come out of one group of eight records.
template <std::uint32_t n>
ZARVO_AVX512 void finish_columns(float* samples, std::uint32_t block_index, const float* block,
                                 const FftPlan& plan) {
    const Twiddles w{plan.twiddle_re.data(), plan.twiddle_im.data()};
    constexpr std::uint32_t h = n / 8;
    // The block of chunks c, c + 1 (c even) at elements k0 .. k0 + 7 (see
    // transform_rows) holds columns cM + k0 .. and (c + 1)M + k0 ...
    constexpr std::uint32_t count = n / 8;
    const std::uint32_t c = 2 * (block_index / (count / 8));
    const std::uint32_t k0 = 8 * (block_index % (count / 8));
    float* first = samples + 2 * std::size_t{c * count + k0};
    float* second = first + 2 * std::size_t{count};
    const std::size_t row_floats = 2 * std::size_t{n};
    for (std::uint32_t j = 0; j < h; ++j) {
        Lanes x[8];
#pragma GCC unroll 8
        for (std::uint32_t i = 0; i < 8; ++i) {
            x[i] = load_record(block + kRecord * (j + i * h));
        }
        radix8<h>(x, w, j);
#pragma GCC unroll 8
        for (std::uint32_t i = 0; i < 8; ++i) {
            // The record's lane order makes both unpacks whole output runs.
            const std::size_t row = row_floats * (j + i * h);
            _mm512_storeu_ps(first + row, _mm512_unpacklo_ps(x[i].re, x[i].im));
            _mm512_storeu_ps(second + row, _mm512_unpackhi_ps(x[i].re, x[i].im));
        }
    }
}

template <std::uint32_t n>
ZARVO_AVX512 void transform_lanes(const float* source, float* samples, float* blocks,
                                  const FftPlan& plan) {
    const std::size_t block_floats = kRecord * std::size_t{n};
    const Twiddles w{plan.twiddle_re.data(), plan.twiddle_im.data()};
    // n / 8 records: 16 KiB at the largest side, on the stack so that the
    // transform allocates nothing.
    alignas(64) float chunks[n / 8 * kRecord];
    const std::uint32_t* reversed = plan.reversed.data();
    // The first log2(n) - 3 column stages never mix groups of n / 8
    // consecutive records. Rows run in bit-reversed order, so each block
    // fills front to back, and as soon as a group of rows is done its
    // records take those stages in every block, while they are still in
    // the cache.
    constexpr std::uint32_t group = n / 8;
    for (std::uint32_t p = 0; p < n; p += 2) {
        transform_rows<n>(source + 2 * std::size_t{reversed[p]} * n,
                          source + 2 * std::size_t{reversed[p + 1]} * n, chunks, blocks, p, plan);
        if ((p + 2) % group == 0) {
            const std::size_t first = kRecord * std::size_t{p + 2 - group};
            for (std::uint32_t b = 0; b < n / 16; ++b) {
                lane_stages<group, 0, log2_of(n) - 3>(blocks + block_floats * b + first, w);
            }
        }
    }
    for (std::uint32_t b = 0; b < n / 16; ++b) {
        finish_columns<n>(samples, b, blocks + block_floats * b, plan);
    }
}

}  // namespace

bool fft_avx512_supported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512dq") != 0;
}

void transform_2d_avx512(ComplexGrid& grid, const Complex* source) {
    assert(fft_avx512_supported());
    const std::uint32_t n = static_cast<std::uint32_t>(grid.width);
    const FftPlan* plan = grid.width == grid.height ? fft_plan_of(grid) : nullptr;
    if (plan == nullptr || n < kMinSide || n > kMaxSide || !fft_avx512_supported()) {
        if (source != nullptr) {
            std::memcpy(grid.samples, source,
                        static_cast<std::size_t>(grid.size()) * sizeof(Complex));
        }
        transform_2d_portable(grid);
        return;
    }
    // The row outputs, column-blocked; the grid keeps this array for good.
    if (grid.scratch == nullptr) {
        grid.scratch = grid_allocate(grid.size());
    }
    float* samples = &grid.samples[0].re;
    // The row pass only reads its rows, so they may come from another grid.
    const float* rows = source != nullptr ? &source[0].re : samples;
    float* blocks = &grid.scratch[0].re;
    stream_in(rows, blocks, samples, 2 * std::size_t{n} * n);
    switch (n) {
        case 64:
            transform_lanes<64>(rows, samples, blocks, *plan);
            break;
        case 128:
            transform_lanes<128>(rows, samples, blocks, *plan);
            break;
        case 256:
            transform_lanes<256>(rows, samples, blocks, *plan);
            break;
        case 512:
            transform_lanes<512>(rows, samples, blocks, *plan);
            break;
        default:
            transform_lanes<1024>(rows, samples, blocks, *plan);
            break;
    }
}

#else  // no x86-64: the portable path is the only one

bool fft_avx512_supported() {
    return false;
}

void transform_2d_avx512(ComplexGrid& grid, const Complex* source) {
    if (source != nullptr) {
        std::memcpy(grid.samples, source, static_cast<std::size_t>(grid.size()) * sizeof(Complex));
    }
    transform_2d_portable(grid);
}

#endif
