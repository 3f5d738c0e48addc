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

#if HWY_TARGET == HWY_WASM
// Highway's WebAssembly target has no double lanes, but the instruction set
// has them: estimate() above, operation for operation in the same order, on
// two doubles through WebAssembly's own f64x2 instructions (f64x2.nearest
// rounds to nearest, ties to even, like hn::Round).
HWY_INLINE v128_t estimate_f64x2(v128_t x) {
    const double* c = kCoefficients;
    const auto set = [](double v) { return wasm_f64x2_splat(v); };
    const auto pair = [&set](double a, double b, v128_t s) {
        return wasm_f64x2_add(set(a), wasm_f64x2_mul(set(b), s));
    };
    const v128_t k = wasm_f64x2_nearest(wasm_f64x2_mul(x, set(kInversePi)));
    const v128_t r = wasm_f64x2_sub(wasm_f64x2_sub(x, wasm_f64x2_mul(k, set(kPiHigh))),
                                    wasm_f64x2_mul(k, set(kPiLow)));
    const v128_t s = wasm_f64x2_mul(r, r);
    const v128_t s2 = wasm_f64x2_mul(s, s);
    const v128_t s4 = wasm_f64x2_mul(s2, s2);
    const v128_t p =
        wasm_f64x2_add(wasm_f64x2_add(pair(c[0], c[1], s), wasm_f64x2_mul(pair(c[2], c[3], s), s2)),
                       wasm_f64x2_mul(pair(c[4], c[5], s), s4));
    const v128_t v = wasm_f64x2_add(r, wasm_f64x2_mul(wasm_f64x2_mul(r, s), p));
    const v128_t shifted = wasm_f64x2_add(k, set(0x1.8p52));
    return wasm_v128_xor(v, wasm_i64x2_shl(shifted, 63));
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace thingie_sine
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
