// The phase panel's estimate of the angle atan2(im, re): its constants and
// its kBound. The estimate itself is display/phase_angle-inl.h, written once
// for every SIMD target.
//
// The angle is folded into [0, kPi/4] as t = atan(q), q = min/max of the two
// magnitudes, which an odd polynomial of degree 13 (fitted here to atan on
// [0, 1], nearly equal-ripple) approximates. The octant then comes back in
// one addition, from the identities
//   |im| <= |re|, re >= 0:  t            |im| > |re|, re >= 0:  kPi/2 - t
//   |im| <= |re|, re < 0:   kPi - t       |im| > |re|, re < 0:   kPi/2 + t
// and the sign of im. The polynomial runs in Estrin's order and the octant
// needs one rounding, because the lanes wait on the longest chain of
// dependent operations, not on their number. Zero parts give the axes
// (q = 0), and both zero gives +-0 or +-kPi by the signs of the zeros, as
// atan2 does. The estimate is not the plain angle: the panel uses it only
// behind `kBound` (see phase_greys in display/panel_lanes.cpp).
#pragma once

namespace phase_angle {

constexpr float kCoefficients[] = {0x1.ffff7ep-1f, -0x1.552b7cp-2f, 0x1.95aap-3f,  -0x1.0f04d4p-3f,
                                   0x1.462378p-4f, -0x1.134928p-5f, 0x1.be6aeap-8f};
constexpr float kPi = static_cast<float>(3.14159265358979323846);
constexpr float kHalfPi = static_cast<float>(1.57079632679489661923);

// Below this q the polynomial is c[0] to the bit: q * q is then at most
// 2^-28, so c[1] s stays below 2^-29 and every later term far below that,
// each under half an ulp of c[0] (2^-25), and every addition returns c[0].
// The estimate therefore squares max(q, kFlatBelow) instead of q: the same
// result on every input, and s, s^2, s^4 and their products stay normal. The
// smaller q that a nearly real or nearly imaginary spectrum gives by the
// hundred thousand would otherwise make them subnormal, which x86 handles in
// a microcode assist of its own for every instruction that meets one.
constexpr float kFlatBelow = 0x1p-14f;

// The folded polynomial lies within this of the true arctangent for every
// float q in [0, 1] (zarvo-check-phase-angle walks all of them).
constexpr double kFoldedError = 3.9e-7;

// How far the estimate may lie from the plain angle (the double atan2
// rounded to float), with room to spare. The sum of: the polynomial's
// 3.9e-7; the rounding of q (2^-24 q, and atan's slope is at most 1); the
// float kPi/2 or kPi (errors 4.4e-8 and 8.8e-8) and the addition (half an ulp
// below 4, 1.2e-7); the plain angle's own rounding to float (1.2e-7, plus
// the double's kError, far below that). That is under 7.8e-7 (`kError`); the
// guard adds the 1.2e-7 that computing angle - kBound and angle + kBound may
// round inwards.
constexpr double kError = 7.8e-7;
constexpr float kBound = 2e-6f;

}  // namespace phase_angle
