// The phase panel's angle estimate (see display/phase_angle.hpp) in the
// lanes of any SIMD target: included once per target by the files that
// compile per target (foreach_target.h), so the panels and the check of the
// estimate's bound run the same operations.
//
// Every operation is a single IEEE operation, so each lane gives the same
// bits on every target and at every lane width.

// Per-target include guard, the form Highway's own -inl headers use.
#if defined(ZARVO_DISPLAY_PHASE_ANGLE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef ZARVO_DISPLAY_PHASE_ANGLE_INL_H_
#undef ZARVO_DISPLAY_PHASE_ANGLE_INL_H_
#else
#define ZARVO_DISPLAY_PHASE_ANGLE_INL_H_
#endif

#include "display/phase_angle.hpp"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace phase_angle {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// a + b s, the two operations in this order.
template <class D>
HWY_INLINE hn::Vec<D> pair_term(D d, float a, float b, hn::Vec<D> s) {
    return hn::Add(hn::Set(d, a), hn::Mul(hn::Set(d, b), s));
}

// atan(q) for q in [0, 1], within folded_error. The square comes from q
// raised to kFlatBelow at least, which changes no result (see kFlatBelow)
// and keeps every product of the polynomial normal.
template <class D>
HWY_INLINE hn::Vec<D> folded(D d, hn::Vec<D> q) {
    const float* c = kCoefficients;
    const auto raised = hn::Max(q, hn::Set(d, kFlatBelow));
    const auto s = hn::Mul(raised, raised);
    const auto s2 = hn::Mul(s, s);
    const auto s4 = hn::Mul(s2, s2);
    const auto low = hn::Add(pair_term(d, c[0], c[1], s), hn::Mul(pair_term(d, c[2], c[3], s), s2));
    const auto high = hn::Add(pair_term(d, c[4], c[5], s), hn::Mul(hn::Set(d, c[6]), s2));
    return hn::Mul(hn::Add(low, hn::Mul(high, s4)), q);
}

// The estimate of atan2(im, re) for finite parts. Min and Max see no NaN
// here, so every target makes the same choices; the octant's signs go by the
// sign bits, as signbit does.
template <class D>
HWY_INLINE hn::Vec<D> estimate(D d, hn::Vec<D> re, hn::Vec<D> im) {
    const hn::RebindToSigned<D> di;
    const auto zero = hn::Zero(d);
    const auto sign = hn::Set(d, -0.0f);
    const auto ax = hn::Abs(re);
    const auto ay = hn::Abs(im);
    const auto low = hn::Min(ay, ax);
    const auto high = hn::Max(ax, ay);
    // q = low / high where high > 0, else 0 (both parts zero).
    const auto q = hn::IfThenElseZero(hn::Gt(high, zero), hn::Div(low, high));
    const auto t = folded(d, q);
    const auto steep = hn::Gt(ay, ax);
    const auto left = hn::BitCast(d, hn::BroadcastSignBit(hn::BitCast(di, re)));
    const auto base = hn::IfThenElse(steep, hn::Set(d, kHalfPi), hn::And(left, hn::Set(d, kPi)));
    // t negated where exactly one of steep and left holds.
    const auto flip = hn::And(hn::Xor(hn::VecFromMask(d, steep), left), sign);
    const auto angle = hn::Add(base, hn::Xor(t, flip));
    return hn::Xor(angle, hn::And(im, sign));
}

}  // namespace HWY_NAMESPACE
}  // namespace phase_angle
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
