// "Thingie" and the picture fill in SIMD lanes, written once and compiled
// for every target by foreach_target.h; Highway's dispatch picks the target
// at each call.
//
// "Thingie": the float arithmetic of the definition lane by lane in the
// same order, and the sine from inputs/thingie_sine-inl.h in double. The
// guard works on the sample's final value. re = (s + radial) + 1 in float
// never decreases as the float s grows, and neither does rounding a double
// to float. glibc's sine of a lies within thingie_sine::kBound of the
// estimate e, so the plain s (that sine rounded to float) lies between the
// floats of e - bound and e + bound, and its re between theirs. When those
// two re are the same float, that is the plain one. They differ only where
// a rounding boundary of s or of the sums falls within 2e-13 of the way,
// about one sample in ten thousand or fewer; those samples, and arguments
// beyond thingie_sine::kLimit or NaN, take the scalar sine.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "inputs/pattern_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "hwy/highway.h"
#include "inputs/pattern_kernels.hpp"
// Included per target, after highway.h, like Highway's own -inl headers.
#include "inputs/thingie_sine-inl.h"

HWY_BEFORE_NAMESPACE();
namespace pattern_lanes {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using VF = hn::Vec<DF>;
constexpr std::size_t kLanes = hn::MaxLanes(DF());

// The floats e - bound and e + bound of the sine estimates e of a vector
// of arguments, each estimate in double.
#if HWY_TARGET == HWY_WASM
// Four lanes as two pairs of doubles (thingie_sine's estimate_f64x2).
HWY_INLINE void sine_bounds(VF a, VF& below, VF& above) {
    namespace ts = thingie_sine::HWY_NAMESPACE;
    const v128_t bound = wasm_f64x2_splat(thingie_sine::kBound);
    const v128_t low = ts::estimate_f64x2(wasm_f64x2_promote_low_f32x4(a.raw));
    const v128_t high =
        ts::estimate_f64x2(wasm_f64x2_promote_low_f32x4(wasm_i64x2_shuffle(a.raw, a.raw, 1, 0)));
    // Each demotion fills the two low float lanes; the shuffle joins them.
    below.raw = wasm_i64x2_shuffle(wasm_f32x4_demote_f64x2_zero(wasm_f64x2_sub(low, bound)),
                                   wasm_f32x4_demote_f64x2_zero(wasm_f64x2_sub(high, bound)), 0, 2);
    above.raw = wasm_i64x2_shuffle(wasm_f32x4_demote_f64x2_zero(wasm_f64x2_add(low, bound)),
                                   wasm_f32x4_demote_f64x2_zero(wasm_f64x2_add(high, bound)), 0, 2);
}
#elif HWY_TARGET == HWY_SCALAR
// One lane: a double vector holds as many samples as a float one.
HWY_INLINE void sine_bounds(VF a, VF& below, VF& above) {
    const DF df;
    const hn::Rebind<double, DF> dd;
    const auto bound = hn::Set(dd, thingie_sine::kBound);
    const auto e = thingie_sine::HWY_NAMESPACE::estimate(dd, hn::PromoteTo(dd, a));
    below = hn::DemoteTo(df, hn::Sub(e, bound));
    above = hn::DemoteTo(df, hn::Add(e, bound));
}
#else
// Two double vectors per float vector, so that the float work runs at full
// width (at half width "Thingie" took a quarter longer).
HWY_INLINE void sine_bounds(VF a, VF& below, VF& above) {
    const DF df;
    const hn::Half<DF> dh;
    const hn::Repartition<double, DF> dd;
    const auto bound = hn::Set(dd, thingie_sine::kBound);
    const auto low =
        thingie_sine::HWY_NAMESPACE::estimate(dd, hn::PromoteTo(dd, hn::LowerHalf(dh, a)));
    const auto high =
        thingie_sine::HWY_NAMESPACE::estimate(dd, hn::PromoteTo(dd, hn::UpperHalf(dh, a)));
    below = hn::Combine(df, hn::DemoteTo(dh, hn::Sub(high, bound)),
                        hn::DemoteTo(dh, hn::Sub(low, bound)));
    above = hn::Combine(df, hn::DemoteTo(dh, hn::Add(high, bound)),
                        hn::DemoteTo(dh, hn::Add(low, bound)));
}
#endif

// Stores re[l] + 0i as sample l, for every lane.
#if HWY_TARGET == HWY_SCALAR
HWY_INLINE void store_real(VF re, float* out) {
    const DF df;
    hn::StoreInterleaved2(re, hn::Zero(df), df, out);
}
#else
// Samples are little-endian pairs of floats, so a real part's bits widened
// with zeros to 64 are the whole sample: one widening per half vector,
// where interleaving with a zero vector costs six shuffles a vector on AVX3.
HWY_INLINE void store_real(VF re, float* out) {
    const DF df;
    const hn::Half<DF> dh;
    const hn::RebindToUnsigned<decltype(dh)> du32;
    const hn::Repartition<std::uint64_t, DF> du64;
    hn::StoreU(hn::BitCast(df, hn::PromoteTo(du64, hn::BitCast(du32, hn::LowerHalf(dh, re)))), df,
               out);
    hn::StoreU(hn::BitCast(df, hn::PromoteTo(du64, hn::BitCast(du32, hn::UpperHalf(dh, re)))), df,
               out + kLanes);
}
#endif

float scalar_sine(float a) {
    return static_cast<float>(std::sin(static_cast<double>(a)));
}

// The lanes of `re` not marked in `sure`, from the scalar sine. Out of line:
// it runs for a few samples a frame, and its calls would otherwise clobber
// the vector registers of the loop around it.
HWY_NOINLINE VF recompute_lanes(VF a, VF radial, VF re, hn::Mask<DF> sure) {
    const DF df;
    const hn::RebindToUnsigned<DF> du;
    alignas(64) float arg[kLanes];
    alignas(64) float rad[kLanes];
    alignas(64) float value[kLanes];
    alignas(64) std::uint32_t kept[kLanes];
    hn::Store(a, df, arg);
    hn::Store(radial, df, rad);
    hn::Store(re, df, value);
    hn::Store(hn::VecFromMask(du, hn::RebindMask(du, sure)), du, kept);
    for (std::size_t l = 0; l < kLanes; ++l) {
        if (kept[l] == 0) {
            value[l] = (scalar_sine(arg[l]) + rad[l]) + 1.0f;
        }
    }
    return hn::Load(df, value);
}

void GenThingie(float phase, ComplexGrid& grid, const ThingieTables& tables, bool recompute_all) {
    const DF df;
    const hn::RebindToUnsigned<DF> du;
    const float phase_term = phase * 10.0f;
    const std::int64_t count = grid.size();
    const float* base = tables.base.data();
    const float* radial_table = tables.radial.data();
    const VF vphase = hn::Set(df, phase_term);
    const VF v32 = hn::Set(df, 32.0f);
    const VF one = hn::Set(df, 1.0f);
    const VF limit = hn::Set(df, thingie_sine::kLimit);
    std::int64_t k = 0;
    for (; k + static_cast<std::int64_t>(kLanes) <= count; k += kLanes) {
        // a = ((theta + r) + phase * 10) * 32, the first sum from the table.
        const VF a = hn::Mul(hn::Add(hn::LoadU(df, base + k), vphase), v32);
        VF below;
        VF above;
        sine_bounds(a, below, above);
        const VF radial = hn::LoadU(df, radial_table + k);
        VF re = hn::Add(hn::Add(below, radial), one);
        const VF re_above = hn::Add(hn::Add(above, radial), one);
        // |a| < limit is false for NaN as well.
        const auto sure =
            hn::And(hn::RebindMask(df, hn::Eq(hn::BitCast(du, re), hn::BitCast(du, re_above))),
                    hn::Lt(hn::Abs(a), limit));
        if (recompute_all || !hn::AllTrue(df, sure)) {
            re = recompute_lanes(a, radial, re, recompute_all ? hn::FirstN(df, 0) : sure);
        }
        store_real(re, &grid.samples[k].re);
    }
    for (; k < count; ++k) {
        const float a = (base[k] + phase_term) * 32.0f;
        grid.samples[k] = {(scalar_sine(a) + radial_table[k]) + 1.0f, 0.0f};
    }
}

#if HWY_TARGET == HWY_WASM
void SineEstimates(const float* a, double* sine, std::size_t count) {
    namespace ts = thingie_sine::HWY_NAMESPACE;
    std::size_t k = 0;
    for (; k + 2 <= count; k += 2) {
        wasm_v128_store(sine + k, ts::estimate_f64x2(
                                      wasm_f64x2_promote_low_f32x4(wasm_v128_load64_zero(a + k))));
    }
    if (k < count) {
        alignas(16) double out[2];
        wasm_v128_store(out, ts::estimate_f64x2(wasm_f64x2_splat(static_cast<double>(a[k]))));
        sine[k] = out[0];
    }
}
#else
void SineEstimates(const float* a, double* sine, std::size_t count) {
    const hn::ScalableTag<double> dd;
    const hn::Rebind<float, decltype(dd)> df;
    constexpr std::size_t kDoubleLanes = hn::MaxLanes(dd);
    std::size_t k = 0;
    for (; k + kDoubleLanes <= count; k += kDoubleLanes) {
        hn::StoreU(
            thingie_sine::HWY_NAMESPACE::estimate(dd, hn::PromoteTo(dd, hn::LoadU(df, a + k))), dd,
            sine + k);
    }
    if (k < count) {
        // The last partial vector, from a copy padded with zeros.
        alignas(64) float in[kDoubleLanes] = {};
        alignas(64) double out[kDoubleLanes];
        for (std::size_t l = 0; k + l < count; ++l) {
            in[l] = a[k + l];
        }
        hn::Store(thingie_sine::HWY_NAMESPACE::estimate(dd, hn::PromoteTo(dd, hn::Load(df, in))),
                  dd, out);
        for (std::size_t l = 0; k + l < count; ++l) {
            sine[k + l] = out[l];
        }
    }
}
#endif

void FillRealFromBytes(ComplexGrid& grid, const std::uint8_t* bytes) {
    const DF df;
    const hn::RebindToSigned<DF> di;
    const hn::Rebind<std::uint8_t, DF> d8;
    const VF v255 = hn::Set(df, 255.0f);
    const std::int64_t count = grid.size();
    std::int64_t k = 0;
    for (; k + static_cast<std::int64_t>(kLanes) <= count; k += kLanes) {
        const VF value = hn::ConvertTo(df, hn::PromoteTo(di, hn::LoadU(d8, bytes + k)));
        store_real(hn::Div(value, v255), &grid.samples[k].re);
    }
    for (; k < count; ++k) {
        grid.samples[k] = {static_cast<float>(bytes[k]) / 255.0f, 0.0f};
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace pattern_lanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace pattern_lanes {

HWY_EXPORT(GenThingie);
HWY_EXPORT(SineEstimates);
HWY_EXPORT(FillRealFromBytes);

}  // namespace pattern_lanes

// Each kernel is named from inside its namespace: a build of one target
// dispatches to HWY_NAMESPACE::Kernel, which is found only from there.

void gen_thingie_lanes(float phase, ComplexGrid& grid, const ThingieTables& tables,
                       bool recompute_all) {
    using namespace pattern_lanes;
    HWY_DYNAMIC_DISPATCH(GenThingie)(phase, grid, tables, recompute_all);
}

void thingie_sine_estimates(const float* a, double* sine, std::size_t count) {
    using namespace pattern_lanes;
    HWY_DYNAMIC_DISPATCH(SineEstimates)(a, sine, count);
}

void fill_real_from_bytes_lanes(ComplexGrid& grid, const std::uint8_t* bytes) {
    using namespace pattern_lanes;
    HWY_DYNAMIC_DISPATCH(FillRealFromBytes)(grid, bytes);
}

#endif  // HWY_ONCE
