// The 2-D transform in SIMD lanes, written once and compiled for every
// target Highway reaches (base/simd_targets.hpp); dispatch picks one at
// each call.
//
// Every lane runs exactly the scalar operations of one butterfly in the
// scalar order (separate multiplies, adds and subtracts, never fused), so
// each output has the bit pattern the plain definition gives. What changes is
// where the data sit and which butterfly runs in which lane. A slot is W
// lanes: W real parts, then W imaginary parts. W is the target's lane count
// (16 on AVX3, 8 on AVX2, 4 on SSE4, SSSE3 and NEON, 1 on the scalar
// target), but at most 8 below side 256, where a row cannot hold a 16 x 16
// transpose.
//
// Row pass, one row at a time (n = W M samples, M >= W). After bit reversal
// the first log2(M) stages never mix the W chunks of M samples, and all
// chunks use the same twiddles. Chunk c of the reversed row is made of the
// samples W j + rev(c) (rev: the log2(W)-bit reversal), so the W samples
// x[W j .. W j + W - 1], split into real and imaginary parts, are exactly one
// slot (element rev_M(j) of every chunk, chunk c in lane rev(c)) and those
// stages run lane by lane with a broadcast twiddle. A W x W transpose of W
// such slots then puts each chunk in a vector of its own, and the last
// log2(W) stages combine whole vectors with per-lane twiddles.
//
// Which element of a chunk sits in which lane after the transpose is chosen
// by the order the W slots are fed to it: lane l gets element k0 +
// lane_column(l), the order in which interleaving the real and imaginary
// parts block by block (the only interleave every target has) writes W
// consecutive outputs. The per-lane twiddles are copied once per call into
// that order.
//
// The rows' outputs go to `scratch` (or, when the rows come from another
// grid, to `samples` itself) in the order the rows are taken (bit
// reversed), which is the order the column transform wants: work row p
// holds the outputs of row rev(p) as n / W slots, slot b being columns
// W b .. W b + W - 1 (in lane_column order). A column stage then pairs whole
// work rows, slot by slot, with one broadcast twiddle per pair, and every
// pass walks a few rows from start to end, which the prefetchers follow.
// Its first stages never mix rows of different runs of consecutive rows, so
// they run on each run as soon as it is done, while it is still cached; the
// last stages run as the results are interleaved back into (re, im) pairs
// in `samples`, row after row. Laid out column block by column block
// instead, the last pass read a line here and a line there from every block
// at once, which no prefetcher follows.
//
// docs/fft_lanes.md follows the samples through slots and lanes with small
// numbers.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "spectrum/fft_kernels.hpp"
#include "spectrum/fft_plan.hpp"
#include "spectrum/grid_storage.hpp"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "spectrum/fft_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#ifndef ZARVO_FFT_LANES_SHARED
#define ZARVO_FFT_LANES_SHARED

namespace fft_lanes {

// Smallest side: every target fits a W x W transpose in a row (W <= 8 below
// 256) and its first passes in the chunks.
constexpr std::uint32_t kMinSide = 64;
// Largest side: the row work array, the per-lane twiddles and (on SSE4 and
// SSSE3) the spread stage tables live on the stack (16 to 48 KiB).
constexpr std::uint32_t kMaxSide = 1024;

// Twiddle tables: the entries of stage s (half h = 2^s) start at h - 1.
struct Twiddles {
    const float* re;
    const float* im;
};

// The output column held by lane l of a W-lane slot, relative to the
// slot's first: within each 128-bit block of four lanes, the first two hold
// the next columns of the lower half of the slot, the other two those of the
// upper half. Interleaving real and imaginary parts block by block
// (InterleaveLower, InterleaveUpper) then gives the lower and the upper half
// of the (re, im) pairs in order, with no lane crossing.
constexpr std::uint32_t lane_column(std::uint32_t l, std::uint32_t w) {
    return w < 4 ? l : 2 * (l / 4) + (l % 4 < 2 ? l % 2 : w / 2 + l % 2);
}

// The low `bits` bits of v in reverse order.
constexpr std::uint32_t reverse_low_bits(std::uint32_t v, int bits) {
    std::uint32_t r = 0;
    for (int i = 0; i < bits; ++i) {
        r |= ((v >> i) & 1u) << (bits - 1 - i);
    }
    return r;
}

constexpr int log2_of(std::size_t n) {
    return n <= 1 ? 0 : 1 + log2_of(n / 2);
}

}  // namespace fft_lanes

#endif  // ZARVO_FFT_LANES_SHARED

HWY_BEFORE_NAMESPACE();
namespace fft_lanes {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class D>
using Vf = hn::Vec<D>;

// Stages per pass through memory: 2^k operands and their twiddles stay in
// registers, so three stages suit the targets with 32 vector registers and
// two those with 16.
constexpr int kPassStages = (HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3) || HWY_ARCH_ARM_A64 ? 3 : 2;

// p, q <- p + w q, p - w q, lane by lane, in the operation order of the
// scalar butterfly. Products and sums stay separate (no MulAdd): a fused
// multiply-add rounds once where the definition rounds twice. On GCC,
// Highway's arithmetic is vector-extension operators, which only the
// build's -ffp-contract=off keeps the compiler from fusing.
template <class V>
HWY_INLINE void butterfly(V& pre, V& pim, V& qre, V& qim, V wre, V wim) {
    const V tre = hn::Sub(hn::Mul(qre, wre), hn::Mul(qim, wim));
    const V tim = hn::Add(hn::Mul(qre, wim), hn::Mul(qim, wre));
    qre = hn::Sub(pre, tre);
    qim = hn::Sub(pim, tim);
    pre = hn::Add(tre, pre);
    pim = hn::Add(tim, pim);
}

// Where a broadcast from memory takes a load and a shuffle (SSE4 and SSSE3
// have no broadcast load), the stage tables are spread once per transform to
// a vector per entry, which the stages then load whole (or take as the memory
// operand of a product).
constexpr bool kSpreadTwiddles = HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_SSSE3;

// The broadcast twiddles of k stages (halves h, 2h, .. 2^(k-1) h) at
// offset j into a group: stage s, butterfly i < 2^s at entry 2^s - 1 + i.
// With kSpreadTwiddles, w holds W floats per entry.
template <class D, int k>
struct StageTwiddles {
    HWY_INLINE StageTwiddles(D d, const Twiddles& w, std::uint32_t h, std::uint32_t j) {
#pragma GCC unroll 4
        for (int s = 0; s < k; ++s) {
            for (int i = 0; i < (1 << s); ++i) {
                const std::size_t entry = (h << s) - 1 + j + i * h;
                if constexpr (kSpreadTwiddles) {
                    re[(1 << s) - 1 + i] = hn::Load(d, w.re + hn::MaxLanes(d) * entry);
                    im[(1 << s) - 1 + i] = hn::Load(d, w.im + hn::MaxLanes(d) * entry);
                } else {
                    re[(1 << s) - 1 + i] = hn::Set(d, w.re[entry]);
                    im[(1 << s) - 1 + i] = hn::Set(d, w.im[entry]);
                }
            }
        }
    }
    Vf<D> re[(1 << k) - 1];
    Vf<D> im[(1 << k) - 1];
};

// k stages on x[i] = element e + i h (i < 2^k), where e mod 2^k h = j < h:
// each stage pairs exactly the operands it pairs in the stage-by-stage
// order, with the twiddle of the first operand's place in its group.
template <int k, class V>
HWY_INLINE void stages_in_registers(V (&re)[1 << k], V (&im)[1 << k], const V* wre, const V* wim) {
#pragma GCC unroll 4
    for (int s = 0; s < k; ++s) {
        const int span = 1 << s;
#pragma GCC unroll 16
        for (int i = 0; i < (1 << k); ++i) {
            if ((i & span) == 0) {
                const int t = span - 1 + (i & (span - 1));
                butterfly(re[i], im[i], re[i + span], im[i + span], wre[t], wim[t]);
            }
        }
    }
}

template <class D>
HWY_INLINE void load_slot(D d, const float* p, Vf<D>& re, Vf<D>& im) {
    re = hn::Load(d, p);
    im = hn::Load(d, p + hn::MaxLanes(d));
}

template <class D>
HWY_INLINE void store_slot(D d, float* p, Vf<D> re, Vf<D> im) {
    hn::Store(re, d, p);
    hn::Store(im, d, p + hn::MaxLanes(d));
}

#if HWY_TARGET == HWY_SCALAR

// One lane: a slot is one sample, with nothing to split, interleave or
// transpose (and the scalar target has none of those shuffles).
template <class D>
HWY_INLINE void split_pairs(D d, const float* pairs, Vf<D>& re, Vf<D>& im) {
    re = hn::LoadU(d, pairs);
    im = hn::LoadU(d, pairs + 1);
}

template <class D>
HWY_INLINE void store_pairs(D d, Vf<D> re, Vf<D> im, float* pairs) {
    hn::StoreU(re, d, pairs);
    hn::StoreU(im, d, pairs + 1);
}

template <class D>
HWY_INLINE void transpose(D, Vf<D> (&)[1]) {}

#else

// W samples as (re, im) pairs -> one slot, sample L in lane L.
template <class D>
HWY_INLINE void split_pairs(D d, const float* pairs, Vf<D>& re, Vf<D>& im) {
    const Vf<D> lo = hn::LoadU(d, pairs);
    const Vf<D> hi = hn::LoadU(d, pairs + hn::MaxLanes(d));
    re = hn::ConcatEven(d, hi, lo);
    im = hn::ConcatOdd(d, hi, lo);
}

// A slot in lane_column order -> its W samples as (re, im) pairs in order.
template <class D>
HWY_INLINE void store_pairs(D d, Vf<D> re, Vf<D> im, float* pairs) {
    hn::StoreU(hn::InterleaveLower(d, re, im), d, pairs);
    hn::StoreU(hn::InterleaveUpper(d, re, im), d, pairs + hn::MaxLanes(d));
}

// r[i] lane j <- r[j] lane i: 4 x 4 inside each 128-bit block, then the
// blocks (1.0.3 has no whole-vector interleave, so wider vectors move
// whole blocks: pairs of blocks, then halves).
template <class D>
HWY_INLINE void transpose(D d, Vf<D> (&r)[hn::MaxLanes(D())]) {
    constexpr std::size_t kW = hn::MaxLanes(D());
    static_assert(kW == 4 || kW == 8 || kW == 16, "a 4 x 4 transpose per block");
    const hn::Repartition<std::uint64_t, D> d64;
    const auto lower64 = [&](Vf<D> a, Vf<D> b) {
        return hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, a), hn::BitCast(d64, b)));
    };
    const auto upper64 = [&](Vf<D> a, Vf<D> b) {
        return hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, a), hn::BitCast(d64, b)));
    };
#pragma GCC unroll 4
    for (std::size_t g = 0; g < kW; g += 4) {
        const Vf<D> t0 = hn::InterleaveLower(d, r[g], r[g + 1]);
        const Vf<D> t1 = hn::InterleaveUpper(d, r[g], r[g + 1]);
        const Vf<D> t2 = hn::InterleaveLower(d, r[g + 2], r[g + 3]);
        const Vf<D> t3 = hn::InterleaveUpper(d, r[g + 2], r[g + 3]);
        r[g] = lower64(t0, t2);
        r[g + 1] = upper64(t0, t2);
        r[g + 2] = lower64(t1, t3);
        r[g + 3] = upper64(t1, t3);
    }
    if constexpr (kW == 8) {
#pragma GCC unroll 4
        for (std::size_t i = 0; i < 4; ++i) {
            const Vf<D> a = r[i];
            const Vf<D> b = r[i + 4];
            r[i] = hn::ConcatLowerLower(d, b, a);
            r[i + 4] = hn::ConcatUpperUpper(d, b, a);
        }
    }
    if constexpr (kW == 16) {
#pragma GCC unroll 4
        for (std::size_t i = 0; i < 4; ++i) {
            const Vf<D> a = r[i];
            const Vf<D> b = r[i + 4];
            const Vf<D> c = r[i + 8];
            const Vf<D> e = r[i + 12];
            // Blocks 0 and 2, and 1 and 3, of a and b side by side (and of c, e).
            const Vf<D> ab_even = hn::OddEvenBlocks(hn::SwapAdjacentBlocks(b), a);
            const Vf<D> ab_odd = hn::OddEvenBlocks(b, hn::SwapAdjacentBlocks(a));
            const Vf<D> ce_even = hn::OddEvenBlocks(hn::SwapAdjacentBlocks(e), c);
            const Vf<D> ce_odd = hn::OddEvenBlocks(e, hn::SwapAdjacentBlocks(c));
            r[i] = hn::ConcatLowerLower(d, ce_even, ab_even);
            r[i + 4] = hn::ConcatLowerLower(d, ce_odd, ab_odd);
            r[i + 8] = hn::ConcatUpperUpper(d, ce_even, ab_even);
            r[i + 12] = hn::ConcatUpperUpper(d, ce_odd, ab_odd);
        }
    }
}

#endif  // HWY_TARGET == HWY_SCALAR

// What every row and pass of one transform shares.
struct Tables {
    std::uint32_t n;
    const std::uint32_t* reversed;  // n-point bit reversal
    Twiddles w;                     // the plan's stage tables
    // The per-lane twiddles of the last log2(W) row stages, in the order
    // the transposed slots use them: for each k0 (in steps of W), the
    // W - 1 twiddles of the butterflies, stage by stage (stage of half
    // 2^s M: chunks c mod 2^s = 0 .. 2^s - 1), each as W real parts then W
    // imaginary parts for elements k0 + lane_column(l).
    const float* cross;
};

// The butterflies of k stages on the slots at x + stride i (i < 2^k).
template <int k, class D>
HWY_INLINE void slot_group(D d, float* x, std::size_t stride, const StageTwiddles<D, k>& t) {
    Vf<D> re[1 << k];
    Vf<D> im[1 << k];
#pragma GCC unroll 8
    for (int i = 0; i < (1 << k); ++i) {
        load_slot(d, x + stride * i, re[i], im[i]);
    }
    stages_in_registers<k>(re, im, t.re, t.im);
#pragma GCC unroll 8
    for (int i = 0; i < (1 << k); ++i) {
        store_slot(d, x + stride * i, re[i], im[i]);
    }
}

// k stages (halves h .. 2^(k-1) h) over `count` positions `pitch` floats
// apart from data, each `width` slots wide: every butterfly pairs the same
// slot of two positions, with the twiddle of the positions.
template <int k, class D>
HWY_INLINE void lane_pass(D d, float* data, std::uint32_t count, std::uint32_t h, const Twiddles& w,
                          std::size_t pitch, std::uint32_t width) {
    constexpr std::size_t kSlot = 2 * hn::MaxLanes(D());
    // Operands of one group are `stride` floats apart, groups `step`.
    const std::size_t stride = pitch * h;
    const std::size_t step = stride << k;
    const std::size_t wide = kSlot * width;
    float* const end = data + pitch * count;
    for (std::uint32_t j = 0; j < h; ++j) {
        const StageTwiddles<D, k> t(d, w, h, j);
        for (float* base = data + pitch * j; base < end; base += step) {
            if (width == 1) {
                slot_group<k>(d, base, stride, t);
                continue;
            }
            for (float* slot = base; slot < base + wide; slot += kSlot) {
                slot_group<k>(d, slot, stride, t);
            }
        }
    }
}

// Stages first .. end - 1 on `count` positions in bit-reversed order (and
// through stage first - 1), kPassStages per pass, the remainder first. A
// position is one slot, or with `pitch` and `width` a run of slots.
template <class D>
HWY_NOINLINE void lane_stages(D d, float* data, std::uint32_t count, int first, int end,
                              const Twiddles& w, std::size_t pitch = 2 * hn::MaxLanes(D()),
                              std::uint32_t width = 1) {
    int stage = first;
    const int rest = (end - first) % kPassStages;
    if (rest == 1) {
        lane_pass<1>(d, data, count, std::uint32_t{1} << stage, w, pitch, width);
    } else if (rest == 2) {
        lane_pass<2>(d, data, count, std::uint32_t{1} << stage, w, pitch, width);
    }
    for (stage += rest; stage < end; stage += kPassStages) {
        lane_pass<kPassStages>(d, data, count, std::uint32_t{1} << stage, w, pitch, width);
    }
}

// One row of n = W M samples, transformed; the slot of its outputs for
// block b (columns W b .. W b + W - 1) goes to out + 2 W b.
template <class D>
HWY_NOINLINE void transform_row(D d, const float* row, float* chunks, float* out, const Tables& t) {
    constexpr std::size_t kW = hn::MaxLanes(D());
    constexpr int kLaneBits = log2_of(kW);
    constexpr std::size_t kSlot = 2 * kW;
    constexpr int kFirst = 1 << kPassStages;
    const std::uint32_t n = t.n;
    const std::uint32_t count = n / kW;  // M slots, lane = chunk
    const int chunk_bits = log2_of(n) - kLaneBits;
    // Slot p of the chunks holds samples W rev_M(p) .. W rev_M(p) + W - 1,
    // with rev_M(p) = reversed[p] >> log2(W). The first k = kPassStages
    // stages run as the slots are loaded, on the slots p .. p + 2^k - 1 of
    // one radix group: for p = rev_M(j), j < M / 2^k, slot p + i holds the
    // samples from W (j + rev_k(i) M / 2^k) on. So the row is read as 2^k
    // runs in address order, which the prefetchers follow, where reading
    // the slots in bit-reversed order would jump across the row.
    const StageTwiddles<D, kPassStages> first(d, t.w, 1, 0);
    const std::uint32_t runs = count >> kPassStages;
    for (std::uint32_t j = 0; j < runs; ++j) {
        const std::uint32_t p = t.reversed[j] >> kLaneBits;
        Vf<D> re[kFirst];
        Vf<D> im[kFirst];
#pragma GCC unroll 8
        for (int i = 0; i < kFirst; ++i) {
            const std::size_t at = kSlot * (j + reverse_low_bits(i, kPassStages) * runs);
            split_pairs(d, row + at, re[i], im[i]);
        }
        stages_in_registers<kPassStages>(re, im, first.re, first.im);
#pragma GCC unroll 8
        for (int i = 0; i < kFirst; ++i) {
            store_slot(d, chunks + kSlot * (p + i), re[i], im[i]);
        }
    }
    lane_stages(d, chunks, count, kPassStages, chunk_bits, t.w);

    // Chunk c's outputs c M + k0 .. c M + k0 + W - 1 are the columns of
    // block (c M + k0) / W: `chunk_floats` on for each chunk, one block on
    // for each k0.
    const std::size_t chunk_floats = kSlot * (count / kW);
    const float* from = chunks;
    const float* w = t.cross;
    for (std::uint32_t k0 = 0; k0 < count; k0 += kW) {
        Vf<D> re[kW];
        Vf<D> im[kW];
#pragma GCC unroll 16
        for (std::uint32_t l = 0; l < kW; ++l) {
            load_slot(d, from + kSlot * lane_column(l, kW), re[l], im[l]);
        }
        transpose(d, re);
        transpose(d, im);
        // Chunk c, elements k0 + lane_column(l), is now vector rev(c). The
        // stage of half 2^s M pairs chunks c and c + 2^s with twiddle entry
        // (c mod 2^s) M + k.
#pragma GCC unroll 4
        for (int s = 0; s < kLaneBits; ++s) {
            const std::uint32_t span = 1u << s;
#pragma GCC unroll 16
            for (std::uint32_t c = 0; c < kW; ++c) {
                if ((c & span) == 0) {
                    const float* wc = w + kSlot * (span - 1 + (c & (span - 1)));
                    butterfly(re[reverse_low_bits(c, kLaneBits)],
                              im[reverse_low_bits(c, kLaneBits)],
                              re[reverse_low_bits(c + span, kLaneBits)],
                              im[reverse_low_bits(c + span, kLaneBits)], hn::Load(d, wc),
                              hn::Load(d, wc + kW));
                }
            }
        }
#pragma GCC unroll 16
        for (std::uint32_t c = 0; c < kW; ++c) {
            const std::uint32_t v = reverse_low_bits(c, kLaneBits);
            store_slot(d, out + chunk_floats * c, re[v], im[v]);
        }
        from += kSlot * kW;
        w += kSlot * (kW - 1);
        out += kSlot;
    }
}

// The rows of `work` (in bit-reversed order, through all but the last k
// column stages) finished and written to `samples` as (re, im) pairs: rows
// j + i n / 2^k come out of the work rows of the same numbers, slot by slot,
// each from start to end. `work` may be `samples` itself: every slot is read
// before the same bytes are written.
template <int k, class D>
HWY_NOINLINE void finish_rows(D d, float* samples, const float* work, const Tables& t) {
    constexpr std::size_t kW = hn::MaxLanes(D());
    constexpr std::size_t kSlot = 2 * kW;
    constexpr int kGroup = 1 << k;
    const std::uint32_t n = t.n;
    const std::uint32_t h = n >> k;
    const std::size_t row_floats = 2 * std::size_t{n};
    const std::size_t stride = row_floats * h;
    for (std::uint32_t j = 0; j < h; ++j) {
        const StageTwiddles<D, k> tw(d, t.w, h, j);
        const float* from = work + row_floats * j;
        float* to = samples + row_floats * j;
        for (std::size_t x = 0; x < row_floats; x += kSlot) {
            Vf<D> re[kGroup];
            Vf<D> im[kGroup];
#pragma GCC unroll 8
            for (int i = 0; i < kGroup; ++i) {
                load_slot(d, from + stride * i + x, re[i], im[i]);
            }
            stages_in_registers<k>(re, im, tw.re, tw.im);
#pragma GCC unroll 8
            for (int i = 0; i < kGroup; ++i) {
                store_pairs(d, re[i], im[i], to + stride * i + x);
            }
        }
    }
}

template <class D>
void transform_with(D d, const float* rows, float* samples, float* scratch, const FftPlan& plan) {
    constexpr std::size_t kW = hn::MaxLanes(D());
    constexpr std::size_t kSlot = 2 * kW;
    const std::uint32_t n = plan.n;
    const std::uint32_t count = n / static_cast<std::uint32_t>(kW);
    // n / W slots of chunks, 8 KiB at the largest side, and the per-lane
    // twiddles: on the stack, so that the transform allocates nothing.
    alignas(64) float chunks[2 * kMaxSide];
    alignas(64) float cross[2 * kMaxSide];
    float* to = cross;
    for (std::uint32_t k0 = 0; k0 < count; k0 += kW) {
        for (std::uint32_t span = 1; span < kW; span *= 2) {
            for (std::uint32_t c = 0; c < span; ++c) {
                for (std::uint32_t l = 0; l < kW; ++l) {
                    const std::uint32_t from =
                        span * count - 1 + c * count + k0 + lane_column(l, kW);
                    to[l] = plan.twiddle_re[from];
                    to[kW + l] = plan.twiddle_im[from];
                }
                to += kSlot;
            }
        }
    }
    constexpr std::size_t kSpread = kSpreadTwiddles ? kW * kMaxSide : 1;
    alignas(64) float spread_re[kSpread];
    alignas(64) float spread_im[kSpread];
    Twiddles w{plan.twiddle_re.data(), plan.twiddle_im.data()};
    if constexpr (kSpreadTwiddles) {
        for (std::uint32_t e = 0; e + 1 < n; ++e) {
            hn::Store(hn::Set(d, w.re[e]), d, spread_re + kW * e);
            hn::Store(hn::Set(d, w.im[e]), d, spread_im + kW * e);
        }
        w = {spread_re, spread_im};
    }
    const Tables t{n, plan.reversed.data(), w, cross};

    // Column stage s pairs the work rows p and p + 2^s, so stages
    // s0 .. s1 - 1 need only the rows of one run of 2^s1. Each pass runs as
    // soon as its run of rows is done, while they are still cached: the
    // first kPassStages stages on every 2^kPassStages rows, the next on every
    // 2^(2 kPassStages), and so on, all but the last kPassStages stages,
    // which need every row and run as the rows are written out.
    //
    // With the rows read from another grid, `samples` holds the row outputs
    // itself, and the last pass works in place (each step writes exactly the
    // slots it has just read): the scratch is not touched, and no line of
    // `samples` is fetched for writing a second time.
    float* const work = rows != samples ? samples : scratch;
    const int run_bits = log2_of(n) - kPassStages;
    const std::size_t row_floats = 2 * std::size_t{n};
    for (std::uint32_t p = 0; p < n; ++p) {
        const float* row = rows + row_floats * t.reversed[p];
        transform_row(d, row, chunks, work + row_floats * p, t);
        for (int s0 = 0; s0 < run_bits; s0 += kPassStages) {
            const int s1 = s0 + kPassStages < run_bits ? s0 + kPassStages : run_bits;
            const std::uint32_t run = 1u << s1;
            if ((p + 1) % run == 0) {
                lane_stages(d, work + row_floats * (p + 1 - run), run, s0, s1, t.w, row_floats,
                            count);
            }
        }
    }
    finish_rows<kPassStages>(d, samples, work, t);
}

void transform_lanes(const float* rows, float* samples, float* blocks, const FftPlan& plan) {
    const hn::ScalableTag<float> d;
    // A row must hold a W x W transpose (n >= W^2): below 256 the widest
    // vectors run as 8 lanes.
    if constexpr (hn::MaxLanes(decltype(d)()) > 8) {
        if (plan.n < 256) {
            transform_with(hn::CappedTag<float, 8>(), rows, samples, blocks, plan);
            return;
        }
    }
    transform_with(d, rows, samples, blocks, plan);
}

}  // namespace HWY_NAMESPACE
}  // namespace fft_lanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace fft_lanes {
HWY_EXPORT(transform_lanes);
}  // namespace fft_lanes

void transform_2d_lanes(ComplexGrid& grid, const Complex* source) {
    const std::uint32_t n = static_cast<std::uint32_t>(grid.width);
    const FftPlan* plan = grid.width == grid.height ? fft_plan_of(grid) : nullptr;
    if (plan == nullptr || n < fft_lanes::kMinSide || n > fft_lanes::kMaxSide) {
        if (source != nullptr && grid.size() > 0) {
            std::memcpy(grid.samples, source,
                        static_cast<std::size_t>(grid.size()) * sizeof(Complex));
        }
        transform_2d_portable(grid);
        return;
    }
    // The row outputs (unless they go to `samples`); the grid keeps this
    // array for good.
    grid_scratch(grid);
    float* samples = &grid.samples[0].re;
    // The row pass only reads its rows, so they may come from another grid.
    const float* rows = source != nullptr ? &source[0].re : samples;
    // Named from inside the namespace: a build of one target dispatches to
    // HWY_NAMESPACE::transform_lanes, which is found only from there.
    using namespace fft_lanes;
    HWY_DYNAMIC_DISPATCH(transform_lanes)(rows, samples, &grid.scratch[0].re, *plan);
}

#endif  // HWY_ONCE
