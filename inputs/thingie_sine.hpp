// The "Thingie" kernel's estimate of sin(a) in double, for a float a with
// |a| < kLimit: its constants and its kBound. The estimate itself is
// inputs/thingie_sine-inl.h, written once for every SIMD target.
//
// a = k pi + r with k the nearest integer to a / pi, r in [-pi/2, pi/2]
// (pi in two parts, the first short enough that k times it is exact and a
// minus that too), then sin r from an odd polynomial of degree 15 fitted
// here to the sine on [0, pi/2] (nearly equal-ripple), evaluated in
// Estrin's order, and the sign of (-1)^k. The estimate is not the plain
// sine: the kernel uses it only behind `kBound`.
#pragma once

namespace thingie_sine {

constexpr double kPiHigh = 0x1.921fb5444p+1;  // 37 significant bits
constexpr double kPiLow = 0x1.68c234c4c6629p-38;
constexpr double kInversePi = 0x1.45f306dc9c883p-2;
constexpr double kCoefficients[] = {-0x1.555555553bce2p-3,  0x1.111111072d2cep-7,
                                    -0x1.a019fc1a88a11p-13, 0x1.71dcbee59bc52p-19,
                                    -0x1.adfa50b95663ap-26, 0x1.523e430615e9ep-33};
// Arguments at or beyond this size go to the scalar sine (k stays below
// 2^14, so k times kPiHigh is exact).
constexpr float kLimit = 32768.0f;

// The estimate lies within this of glibc's double sin for every float with
// |a| < kLimit (zarvo-check-thingie-sine walks them all).
constexpr double kError = 6e-14;
// The guard takes a little more, so that computing estimate - kBound and
// estimate + kBound in double (half an ulp below 1: 2^-54) cannot round
// inwards past the scalar sine.
constexpr double kBound = 1e-13;

}  // namespace thingie_sine
