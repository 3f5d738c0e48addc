// The spectrum panels in SIMD lanes, written once and compiled for every
// target by foreach_target.h; Highway's dispatch picks the target at each
// call.
//
// Every lane does the scalar operations of the definition in the same order
// (the squares, their sum, the products by the scale and by 255 are the same
// single IEEE operations), so each pixel gets the bits the plain form gives
// on every target. The square root is the float root (see
// panel_pixels::magnitude for why it equals the double one rounded), and the
// phase greys come from the float estimate of display/phase_angle-inl.h
// behind a guard on the grey level (see phase_greys).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "display/panel_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "display/panel_kernels.hpp"
#include "hwy/highway.h"
// Included per target, after highway.h, like Highway's own -inl headers.
#include "display/panel_target_ops-inl.h"
#include "display/phase_angle-inl.h"

HWY_BEFORE_NAMESPACE();
namespace panel_lanes {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using panel_target_ops::HWY_NAMESPACE::larger;
using panel_target_ops::HWY_NAMESPACE::truncate_in_range;

// Samples per vector: 16 (AVX3), 8 (AVX2), 4 (SSE4, SSSE3, NEON) or 1
// (scalar). The vector targets store sixteen pixels at a time.
constexpr std::size_t kLanes = hn::MaxLanes(DF());
constexpr std::size_t kGroup = kLanes == 1 ? 1 : 16;
constexpr std::size_t kVectorsPerGroup = kGroup / kLanes;

// The two parts of kLanes samples, in order. The constructor is written
// out so that it is compiled for the target: GCC 12 will not inline the
// vectors' own constructors into an implicit one on ARM.
struct Parts {
    HWY_INLINE Parts(VF re_parts, VF im_parts) : re(re_parts), im(im_parts) {}
    VF re;
    VF im;
};

HWY_INLINE Parts load_parts(const Complex* p) {
    const DF df;
    VF re;
    VF im;
    hn::LoadInterleaved2(df, &p->re, re, im);
    return Parts(re, im);
}

// re * re + im * im, each product rounded, then the sum.
HWY_INLINE VF square_sums(Parts s) {
    return hn::Add(hn::Mul(s.re, s.re), hn::Mul(s.im, s.im));
}

// grey_of lane by lane: NaN gives 0, from 256 up 255, below the int32 range
// INT32_MIN (what every target's conversion gives there), else the
// truncation.
HWY_INLINE VI greys(VF v) {
    const DF df;
    const DI di;
    const VI grey = hn::IfThenElse(hn::RebindMask(di, hn::Ge(v, hn::Set(df, 256.0f))),
                                   hn::Set(di, 255), truncate_in_range(v));
    return hn::IfThenZeroElse(hn::RebindMask(di, hn::IsNaN(v)), grey);
}

float largest_magnitude(const ComplexGrid& grid) {
    const DF df;
    const std::int64_t count = grid.size();
    // The largest square sum, then one root: the root never decreases as its
    // argument grows, so the root of the largest sum is the largest root.
    // Lane by lane the scalar rule `s > max ? s : max` (larger), so NaN
    // never enters; the lanes' maxima are then combined by the same rule
    // (the largest of a set of non-NaN floats does not depend on the order).
    // Four maxima side by side, so that no one chain of dependent steps
    // sets the pace.
    VF lanes[4] = {hn::Set(df, -1.0f), hn::Set(df, -1.0f), hn::Set(df, -1.0f), hn::Set(df, -1.0f)};
    const auto step = static_cast<std::int64_t>(kLanes);
    std::int64_t k = 0;
    for (; k + 4 * step <= count; k += 4 * step) {
        for (int a = 0; a < 4; ++a) {
            const VF sums = square_sums(load_parts(grid.samples + k + a * step));
            lanes[a] = larger(sums, lanes[a]);
        }
    }
    for (; k + step <= count; k += step) {
        const VF sums = square_sums(load_parts(grid.samples + k));
        lanes[0] = larger(sums, lanes[0]);
    }
    alignas(64) float lane_max[4 * kLanes];
    for (int a = 0; a < 4; ++a) {
        hn::Store(lanes[a], df, lane_max + a * kLanes);
    }
    float max_sum = -1.0f;
    for (float sum : lane_max) {
        if (sum > max_sum) {
            max_sum = sum;
        }
    }
    // Sums are never negative, so -1 means no sample (or only NaN) so far,
    // which is also the scalar loop's starting value.
    float max = max_sum < 0.0f ? -1.0f : hn::GetLane(hn::Sqrt(hn::Set(df, max_sum)));
    for (; k < count; ++k) {
        const float m = panel_pixels::magnitude(grid.samples[k]);
        if (m > max) {
            max = m;
        }
    }
    return max;
}

// True when every part of the kGroup samples at p is +0 or -0. Four of the
// ten tests have spectra, and three more have inputs, that are nearly all
// exact zeros, where the panels' arithmetic would only work out what is
// known.
// The parts are read as they lie, interleaved: only their bits matter.
HWY_INLINE bool zero_group(const Complex* p) {
    const DF df;
    const DI di;
    const float* parts = &p->re;
    VI bits = hn::BitCast(di, hn::LoadU(df, parts));
    for (std::size_t k = kLanes; k < 2 * kGroup; k += kLanes) {
        bits = hn::Or(bits, hn::BitCast(di, hn::LoadU(df, parts + k)));
    }
    // Everything but the sign bits: NaN and every other nonzero float have
    // a bit set there.
    return hn::AllTrue(di, hn::Eq(hn::ShiftLeft<1>(bits), hn::Zero(di)));
}

// The magnitude greys of the kGroup samples at src, to dst. Zero parts have
// magnitude 0, and 0 times any scale is 0 or (for an infinite scale) NaN:
// grey 0 either way.
HWY_INLINE void magnitude_group(const Complex* src, std::uint8_t* dst, VF vscale, VF v255,
                                bool zero) {
    if (zero) {
        std::memset(dst, 0, 3 * kGroup);
        return;
    }
    VI grey[kVectorsPerGroup];
    for (std::size_t i = 0; i < kVectorsPerGroup; ++i) {
        const VF m = hn::Sqrt(square_sums(load_parts(src + i * kLanes)));
        grey[i] = greys(hn::Mul(hn::Mul(m, vscale), v255));
    }
    panel_target_ops::HWY_NAMESPACE::store_greys<kVectorsPerGroup>(dst, grey);
}

// The magnitude grey of one sample, to dst: the last samples of a run.
HWY_INLINE void magnitude_pixel(const Complex& sample, std::uint8_t* dst, float scale) {
    const float v = (panel_pixels::magnitude(sample) * scale) * 255.0f;
    panel_pixels::write_grey(panel_pixels::grey_of(v), dst);
}

void magnitude_run(const Complex* src, std::uint8_t* dst, std::int32_t n, float scale) {
    const DF df;
    const VF vscale = hn::Set(df, scale);
    const VF v255 = hn::Set(df, 255.0f);
    std::int32_t j = 0;
    for (; j + static_cast<std::int32_t>(kGroup) <= n; j += kGroup, dst += 3 * kGroup) {
        magnitude_group(src + j, dst, vscale, v255, zero_group(src + j));
    }
    for (; j < n; ++j, dst += 3) {
        magnitude_pixel(src[j], dst, scale);
    }
}

// The greys of angles within [-4, 4], where the scaled value lies far
// inside the int32 range and below 256: the truncation alone is grey_of.
HWY_INLINE VI angle_greys(VF angle) {
    const DF df;
    return truncate_in_range(
        hn::Mul(hn::Mul(angle, hn::Set(df, 0.15915494f)), hn::Set(df, 255.0f)));
}

// The lanes of `grey` not marked in `sure`, from the scalar function. Out
// of line: it runs for a few samples a frame, and its calls would otherwise
// clobber the vector registers of the loop around it.
HWY_NOINLINE VI recompute_greys(const Complex* p, VI grey, hn::Mask<DI> sure) {
    const DI di;
    alignas(64) std::int32_t lanes[kLanes];
    alignas(64) std::int32_t kept[kLanes];
    hn::Store(grey, di, lanes);
    hn::Store(hn::VecFromMask(di, sure), di, kept);
    for (std::size_t l = 0; l < kLanes; ++l) {
        if (kept[l] == 0) {
            lanes[l] = panel_pixels::phase_grey(p[l]);
        }
    }
    return hn::Load(di, lanes);
}

// The phase greys of p[0 .. kLanes - 1], in order: in every lane the grey
// that the plain definition (double atan2, rounded to float, scaled,
// truncated) gives.
//
// The guard: the plain angle lies within phase_angle::kBound of the estimate
// t. The grey, as an integer before its low bits are taken, never decreases
// as the angle grows (the two products by positive constants, each rounded,
// and the truncation all keep order). So when t - bound and t + bound give
// the same grey, every angle between them does, the plain one included. A
// grey level spans 0.0246 of angle, so about one sample in 6000 fails; those
// lanes, and lanes with an infinite or NaN part, take the scalar function.
HWY_INLINE VI phase_greys(const Complex* p, bool recompute_all) {
    const DF df;
    const DI di;
    const Parts s = load_parts(p);
    const auto largest = hn::Set(df, hwy::HighestValue<float>());
    const auto finite = hn::And(hn::Le(hn::Abs(s.re), largest), hn::Le(hn::Abs(s.im), largest));
    const VF angle = phase_angle::HWY_NAMESPACE::estimate(df, s.re, s.im);
    const VF bound = hn::Set(df, phase_angle::kBound);
    const VI below = angle_greys(hn::Sub(angle, bound));
    const VI above = angle_greys(hn::Add(angle, bound));
    const auto sure = hn::And(hn::Eq(below, above), hn::RebindMask(di, finite));
    if (!recompute_all && hn::AllTrue(di, sure)) {
        return below;
    }
    return recompute_greys(p, below, recompute_all ? hn::FirstN(di, 0) : sure);
}

// The phase greys of p[0 .. kLanes - 1] when every part is a zero: atan2
// of two zeros is exact, 0 or kPi by the sign of re, signed as im.
HWY_INLINE VI zero_phase_greys(const Complex* p) {
    const DF df;
    const DI di;
    const Parts s = load_parts(p);
    const VF left = hn::BitCast(df, hn::BroadcastSignBit(hn::BitCast(di, s.re)));
    const VF angle =
        hn::Or(hn::And(left, hn::Set(df, phase_angle::kPi)), hn::And(s.im, hn::Set(df, -0.0f)));
    return angle_greys(angle);
}

// The phase greys of the kGroup samples at src, to dst; from the signs
// alone when `zero` says every part is a zero.
HWY_INLINE void phase_group(const Complex* src, std::uint8_t* dst, bool zero, bool recompute_all) {
    VI grey[kVectorsPerGroup];
    if (zero) {
        for (std::size_t i = 0; i < kVectorsPerGroup; ++i) {
            grey[i] = zero_phase_greys(src + i * kLanes);
        }
    } else {
        for (std::size_t i = 0; i < kVectorsPerGroup; ++i) {
            grey[i] = phase_greys(src + i * kLanes, recompute_all);
        }
    }
    panel_target_ops::HWY_NAMESPACE::store_greys<kVectorsPerGroup>(dst, grey);
}

void phase_run(const Complex* src, std::uint8_t* dst, std::int32_t n, bool recompute_all) {
    std::int32_t j = 0;
    for (; j + static_cast<std::int32_t>(kGroup) <= n; j += kGroup, dst += 3 * kGroup) {
        phase_group(src + j, dst, !recompute_all && zero_group(src + j), recompute_all);
    }
    for (; j < n; ++j, dst += 3) {
        panel_pixels::write_grey(panel_pixels::phase_grey(src[j]), dst);
    }
}

// Both panels of n samples, the magnitude from m and the phase from p, group
// by group: one look at each group's parts serves both.
void magnitude_and_phase_run(const Complex* src, std::uint8_t* m, std::uint8_t* p, std::int32_t n,
                             float scale, bool recompute_all) {
    const DF df;
    const VF vscale = hn::Set(df, scale);
    const VF v255 = hn::Set(df, 255.0f);
    std::int32_t j = 0;
    for (; j + static_cast<std::int32_t>(kGroup) <= n; j += kGroup) {
        const bool zero = zero_group(src + j);
        magnitude_group(src + j, m + 3 * j, vscale, v255, zero);
        phase_group(src + j, p + 3 * j, zero && !recompute_all, recompute_all);
    }
    for (; j < n; ++j) {
        magnitude_pixel(src[j], m + 3 * j, scale);
        panel_pixels::write_grey(panel_pixels::phase_grey(src[j]), p + 3 * j);
    }
}

void DrawMagnitude(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool shifted,
                   float gain) {
    if (grid.size() == 0) {
        return;
    }
    const float max = largest_magnitude(grid);
    const float scale = max > 0.0f ? gain / max : 1.0f;
    panel_pixels::draw_rows(grid, canvas, x, shifted,
                            [scale](const Complex* src, std::uint8_t* dst, std::int32_t n) {
                                magnitude_run(src, dst, n, scale);
                            });
    pen = panel_pixels::magnitude_pen(grid, shifted, scale);
}

void DrawPhase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool recompute_all) {
    if (grid.size() == 0) {
        return;
    }
    panel_pixels::draw_rows(grid, canvas, x, true,
                            [recompute_all](const Complex* src, std::uint8_t* dst, std::int32_t n) {
                                phase_run(src, dst, n, recompute_all);
                            });
    pen = panel_pixels::phase_pen(grid);
}

void DrawMagnitudeAndPhase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x_magnitude,
                           int x_phase, float gain, bool recompute_all) {
    if (grid.size() == 0) {
        return;
    }
    const float max = largest_magnitude(grid);
    const float scale = max > 0.0f ? gain / max : 1.0f;
    panel_pixels::draw_rows_of_both(grid, canvas, x_magnitude, x_phase,
                                    [scale, recompute_all](const Complex* src, std::uint8_t* m,
                                                           std::uint8_t* p, std::int32_t n) {
                                        magnitude_and_phase_run(src, m, p, n, scale, recompute_all);
                                    });
    // The phase panel is drawn last: its last pixel leaves the pen.
    pen = panel_pixels::phase_pen(grid);
}

// The estimate on whole vectors; a last partial vector runs on a copy
// padded with zeros.
template <typename Estimate>
void estimate_all(std::size_t count, Estimate estimate) {
    std::size_t k = 0;
    for (; k + kLanes <= count; k += kLanes) {
        estimate(k, kLanes);
    }
    if (k < count) {
        estimate(k, count - k);
    }
}

void AngleEstimates(const float* re, const float* im, float* angle, std::size_t count) {
    const DF df;
    estimate_all(count, [&](std::size_t k, std::size_t n) {
        alignas(64) float r[kLanes] = {};
        alignas(64) float i[kLanes] = {};
        alignas(64) float a[kLanes];
        for (std::size_t l = 0; l < n; ++l) {
            r[l] = re[k + l];
            i[l] = im[k + l];
        }
        hn::Store(phase_angle::HWY_NAMESPACE::estimate(df, hn::Load(df, r), hn::Load(df, i)), df,
                  a);
        for (std::size_t l = 0; l < n; ++l) {
            angle[k + l] = a[l];
        }
    });
}

void FoldedAngles(const float* q, float* angle, std::size_t count) {
    const DF df;
    estimate_all(count, [&](std::size_t k, std::size_t n) {
        if (n == kLanes) {
            hn::StoreU(phase_angle::HWY_NAMESPACE::folded(df, hn::LoadU(df, q + k)), df, angle + k);
            return;
        }
        alignas(64) float in[kLanes] = {};
        alignas(64) float out[kLanes];
        for (std::size_t l = 0; l < n; ++l) {
            in[l] = q[k + l];
        }
        hn::Store(phase_angle::HWY_NAMESPACE::folded(df, hn::Load(df, in)), df, out);
        for (std::size_t l = 0; l < n; ++l) {
            angle[k + l] = out[l];
        }
    });
}

}  // namespace HWY_NAMESPACE
}  // namespace panel_lanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace panel_lanes {

HWY_EXPORT(DrawMagnitude);
HWY_EXPORT(DrawPhase);
HWY_EXPORT(DrawMagnitudeAndPhase);
HWY_EXPORT(AngleEstimates);
HWY_EXPORT(FoldedAngles);

}  // namespace panel_lanes

// Each kernel is named from inside its namespace: a build of one target
// dispatches to HWY_NAMESPACE::Kernel, which is found only from there.

void draw_magnitude_lanes(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                          bool shifted, float gain) {
    using namespace panel_lanes;
    HWY_DYNAMIC_DISPATCH(DrawMagnitude)(grid, pen, canvas, x, shifted, gain);
}

void draw_phase_lanes(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                      bool recompute_all) {
    using namespace panel_lanes;
    HWY_DYNAMIC_DISPATCH(DrawPhase)(grid, pen, canvas, x, recompute_all);
}

void draw_magnitude_and_phase_lanes(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                    int x_magnitude, int x_phase, float gain, bool recompute_all) {
    using namespace panel_lanes;
    HWY_DYNAMIC_DISPATCH(DrawMagnitudeAndPhase)
    (grid, pen, canvas, x_magnitude, x_phase, gain, recompute_all);
}

void phase_angle_estimates(const float* re, const float* im, float* angle, std::size_t count) {
    using namespace panel_lanes;
    HWY_DYNAMIC_DISPATCH(AngleEstimates)(re, im, angle, count);
}

void phase_angle_folded(const float* q, float* angle, std::size_t count) {
    using namespace panel_lanes;
    HWY_DYNAMIC_DISPATCH(FoldedAngles)(q, angle, count);
}

#endif  // HWY_ONCE
