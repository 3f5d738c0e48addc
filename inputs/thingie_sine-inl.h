// The "Thingie" kernel's sine estimate (see inputs/thingie_sine.hpp) in the
// lanes of any SIMD target: included once per target by the files that
// compile per target (foreach_target.h), so the kernel and the check of the
// estimate's bound run the same operations.
//
// Every operation is a single IEEE operation in double, so each lane gives
// the same bits on every target and at every lane width.

// Per-target include guard, the form Highway's own -inl headers use.
#if defined(ZARVO_INPUTS_THINGIE_SINE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef ZARVO_INPUTS_THINGIE_SINE_INL_H_
#undef ZARVO_INPUTS_THINGIE_SINE_INL_H_
#else
#define ZARVO_INPUTS_THINGIE_SINE_INL_H_
#endif

#include "hwy/highway.h"
#include "inputs/thingie_sine.hpp"

HWY_BEFORE_NAMESPACE();
namespace thingie_sine {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// a + b s, the two operations in this order.
template <class D>
HWY_INLINE hn::Vec<D> pair_term(D d, double a, double b, hn::Vec<D> s) {
    return hn::Add(hn::Set(d, a), hn::Mul(hn::Set(d, b), s));
}

// sin(x) within `error` for x a float widened to double, |x| < limit.
template <class D>
HWY_INLINE hn::Vec<D> estimate(D d, hn::Vec<D> x) {
    const hn::RebindToUnsigned<D> du;
    const double* c = kCoefficients;
    // Round is to nearest, ties to even, as nearbyint in the default mode.
    const auto k = hn::Round(hn::Mul(x, hn::Set(d, kInversePi)));
    const auto r =
        hn::Sub(hn::Sub(x, hn::Mul(k, hn::Set(d, kPiHigh))), hn::Mul(k, hn::Set(d, kPiLow)));
    const auto s = hn::Mul(r, r);
    const auto s2 = hn::Mul(s, s);
    const auto s4 = hn::Mul(s2, s2);
    const auto p =
        hn::Add(hn::Add(pair_term(d, c[0], c[1], s), hn::Mul(pair_term(d, c[2], c[3], s), s2)),
                hn::Mul(pair_term(d, c[4], c[5], s), s4));
    const auto v = hn::Add(r, hn::Mul(hn::Mul(r, s), p));
    // (-1)^k: k + 1.5 * 2^52 holds k's two's complement in its low mantissa
    // bits (exactly, for |k| < 2^51), so bit 0 is k's parity; it goes to the
    // sign. No conversion to a 64-bit integer, which some targets lack.
    const auto shifted = hn::Add(k, hn::Set(d, 0x1.8p52));
    const auto odd = hn::ShiftLeft<63>(hn::BitCast(du, shifted));
    return hn::Xor(v, hn::BitCast(d, odd));
}

}  // namespace HWY_NAMESPACE
}  // namespace thingie_sine
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
