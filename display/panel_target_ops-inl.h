// The panels' few operations that each target does its own way, where
// Highway's portable form costs more than the rule needs: a truncation that
// may leave out-of-range lanes undefined in value (never in behaviour), the
// low bytes of sixteen greys spread to RGB, and the larger of two floats by
// the scalar rule. Included once per target by display/panel_lanes.cpp
// (foreach_target.h), after highway.h; PanelKernels.SpecialValuesAndPartialBlocks
// pins what each gives on NaN, infinities, signed zeros and the int32 edges,
// on every target.
//
// The x86 blocks are for Highway's real x86 targets only (SSSE3 up to
// AVX-512): the emulated 128-bit target and the scalar one build on x86 too,
// with vectors that are plain arrays.

// Per-target include guard, the form Highway's own -inl headers use.
#if defined(ZARVO_DISPLAY_PANEL_TARGET_OPS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef ZARVO_DISPLAY_PANEL_TARGET_OPS_INL_H_
#undef ZARVO_DISPLAY_PANEL_TARGET_OPS_INL_H_
#else
#define ZARVO_DISPLAY_PANEL_TARGET_OPS_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include "display/panel_kernels.hpp"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace panel_target_ops {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;

// trunc(v) as an int32 where -2^31 <= v < 2^31. Other lanes, NaN among
// them, get some value but never undefined behaviour: x86's conversion gives
// INT32_MIN there and NEON's saturates, which is all the panels need, so the
// correction that Highway's ConvertTo adds on x86 for large positive values
// (four more operations a vector) is left out there. The scalar and the
// emulated targets convert with a C++ cast, undefined for NaN, so NaN is
// cleared before it.
HWY_INLINE VI truncate_in_range(VF v) {
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_SSSE3 && HWY_MAX_BYTES == 64
    return VI{_mm512_cvttps_epi32(v.raw)};
#elif HWY_ARCH_X86 && HWY_TARGET <= HWY_SSSE3 && HWY_MAX_BYTES == 32
    return VI{_mm256_cvttps_epi32(v.raw)};
#elif HWY_ARCH_X86 && HWY_TARGET <= HWY_SSSE3
    return VI{_mm_cvttps_epi32(v.raw)};
#elif HWY_TARGET == HWY_WASM
    // WebAssembly's conversion saturates and gives 0 for NaN: defined
    // everywhere, so no lane needs clearing first.
    return VI{wasm_i32x4_trunc_sat_f32x4(v.raw)};
#else
    return hn::ConvertTo(DI(), hn::IfThenZeroElse(hn::IsNaN(v), v));
#endif
}

// Stores the low eight bits of the greys of kVectors vectors (sixteen in
// all, in order; one on the scalar target) as RGB pixels: each byte three
// times.
#if HWY_TARGET == HWY_SCALAR
// One lane: the byte shuffles do not exist there, nor are they needed.
template <std::size_t kVectors>
HWY_INLINE void store_greys(std::uint8_t* dst, const VI* grey) {
    panel_pixels::write_grey(hn::GetLane(grey[0]), dst);
}
#elif HWY_TARGET == HWY_WASM
// Highway's TableLookupBytes goes byte by byte on this target. Each 16 bytes
// of the 48 hold the low bytes of six greys (byte 4 l of a vector is lane
// l's lowest) from two neighbouring vectors: one constant shuffle each,
// which the engine compiles to a few instructions.
template <std::size_t kVectors>
HWY_INLINE void store_greys(std::uint8_t* dst, const VI* grey) {
    static_assert(kVectors == 4, "four vectors of four greys");
    const v128_t a = grey[0].raw;
    const v128_t b = grey[1].raw;
    const v128_t c = grey[2].raw;
    const v128_t d = grey[3].raw;
    wasm_v128_store(
        dst, wasm_i8x16_shuffle(a, b, 0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, 16, 16, 16, 20));
    wasm_v128_store(dst + 16, wasm_i8x16_shuffle(b, c, 4, 4, 8, 8, 8, 12, 12, 12, 16, 16, 16, 20,
                                                 20, 20, 24, 24));
    wasm_v128_store(dst + 32, wasm_i8x16_shuffle(c, d, 8, 12, 12, 12, 16, 16, 16, 20, 20, 20, 24,
                                                 24, 24, 28, 28, 28));
}
#else
template <std::size_t kVectors>
HWY_INLINE void store_greys(std::uint8_t* dst, const VI* grey) {
    const hn::RebindToUnsigned<DI> du;
    const hn::Rebind<std::uint8_t, DI> d8;
    const hn::Full128<std::uint8_t> d16;
    const auto low = [&](std::size_t i) { return hn::TruncateTo(d8, hn::BitCast(du, grey[i])); };
    // Sixteen low bytes, from as many vectors as hold sixteen floats.
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_SSSE3 && HWY_MAX_BYTES == 64
    // vpmovdb takes the low bytes in one instruction, where TruncateTo
    // spends a shuffle and a permute.
    (void)low;
    const hn::Vec<decltype(d16)> bytes{_mm512_cvtepi32_epi8(grey[0].raw)};
#elif HWY_MAX_BYTES == 64
    const auto bytes = low(0);
#elif HWY_MAX_BYTES == 32
    const auto bytes = hn::Combine(d16, low(1), low(0));
#else
    static_assert(kVectors == 4, "128-bit vectors hold four floats");
    const hn::Full64<std::uint8_t> d64;
    const auto bytes =
        hn::Combine(d16, hn::Combine(d64, low(3), low(2)), hn::Combine(d64, low(1), low(0)));
#endif
    alignas(16) static constexpr std::uint8_t kSpread[48] = {
        0, 0, 0, 1, 1, 1, 2,  2,  2,  3,  3,  3,  4,  4,  4,  5,  5,  5,  6,  6,  6,  7,  7,  7,
        8, 8, 8, 9, 9, 9, 10, 10, 10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15};
    hn::StoreU(hn::TableLookupBytes(bytes, hn::Load(d16, kSpread)), d16, dst);
    hn::StoreU(hn::TableLookupBytes(bytes, hn::Load(d16, kSpread + 16)), d16, dst + 16);
    hn::StoreU(hn::TableLookupBytes(bytes, hn::Load(d16, kSpread + 32)), d16, dst + 32);
}
#endif

// s > max ? s : max, lane by lane: NaN in s never enters.
HWY_INLINE VF larger(VF s, VF max) {
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_SSSE3
    // maxps returns its second operand unless the first is strictly greater:
    // the rule itself, in one instruction instead of a compare and a blend.
    return hn::Max(s, max);
#else
    return hn::IfThenElse(hn::Gt(s, max), s, max);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace panel_target_ops
HWY_AFTER_NAMESPACE();

#endif  // ZARVO_DISPLAY_PANEL_TARGET_OPS_INL_H_
