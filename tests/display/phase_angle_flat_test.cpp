// The phase estimate squares max(q, kFlatBelow) rather than q, so that the
// tiny q of nearly real spectra make no subnormal products: the folded
// polynomial on every target against the same polynomial written plainly
// on q's own square, bit for bit, and the phase panel of a nearly real
// spectrum against the plain panel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "display/panel_kernels.hpp"
#include "display/phase_angle.hpp"
#include "plain_fft.hpp"
#include "plain_kernels.hpp"
#include "base/simd_targets.hpp"

namespace {

// The folded polynomial in Estrin's order on s = q * q, each operation a
// single rounding in float.
float plain_folded(float q) {
    const float* c = phase_angle::kCoefficients;
    const float s = q * q;
    const float s2 = s * s;
    const float s4 = s2 * s2;
    const float low = (c[0] + c[1] * s) + (c[2] + c[3] * s) * s2;
    const float high = (c[4] + c[5] * s) + c[6] * s2;
    return (low + high * s4) * q;
}

float float_of(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t bits_of(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(PhaseAngleFlat, FoldedEqualsThePolynomialOnQsOwnSquareOnEveryTarget) {
    // Every 97th float of [0, 1], 1 itself, the smallest subnormals and
    // every float within 2^16 of kFlatBelow, where the raised square takes
    // over (zarvo-check-phase-angle walks all of [0, 1] for the bound).
    std::vector<float> q;
    constexpr std::uint32_t kOneBits = 0x3F800000u;
    for (std::uint32_t bits = 0; bits < kOneBits; bits += 97) {
        q.push_back(float_of(bits));
    }
    q.push_back(1.0f);
    for (std::uint32_t bits = 1; bits < 64; ++bits) {
        q.push_back(float_of(bits));
    }
    const std::uint32_t flat = bits_of(phase_angle::kFlatBelow);
    for (std::uint32_t bits = flat - (1u << 16); bits <= flat + (1u << 16); ++bits) {
        q.push_back(float_of(bits));
    }
    std::vector<float> expected(q.size());
    for (std::size_t k = 0; k < q.size(); ++k) {
        expected[k] = plain_folded(q[k]);
    }
    std::vector<float> angle(q.size());
    for (const SimdTarget& target : simd_targets()) {
        const ScopedSimdTarget only(target);
        phase_angle_folded(q.data(), angle.data(), q.size());
        for (std::size_t k = 0; k < q.size(); ++k) {
            ASSERT_EQ(bits_of(angle[k]), bits_of(expected[k]))
                << target.name << " at q = " << q[k] << ": " << angle[k] << ", plain "
                << expected[k];
        }
    }
}

TEST(PhaseAngleFlat, NearlyRealSpectrumMatchesThePlainPanelOnEveryTarget) {
    // A disc's spectrum is real but for the rounding of the transform: its
    // imaginary parts are mostly 2^-32 to 2^-24 of the real ones, so nearly
    // every q lies below kFlatBelow.
    ComplexGrid grid(512, 512);
    reference::gen_pulsating_sphere(0.3f, grid);
    plain_fft::transform_2d(grid.samples, grid.width);
    std::int64_t flat = 0;
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        const Complex s = grid.samples[k];
        flat += std::fabs(s.im) < phase_angle::kFlatBelow * std::fabs(s.re) ? 1 : 0;
    }
    EXPECT_GT(flat, grid.size() * 9 / 10) << "the fixture no longer shows the case";
    Canvas expected = canvas_without_window(1640);
    Canvas actual = canvas_without_window(1640);
    const std::size_t bytes = static_cast<std::size_t>(expected.width) * expected.height * 3;
    std::memset(expected.pixels, 0, bytes);
    RgbColor expected_pen = {7, 7, 7};
    reference::draw_phase(grid, expected_pen, expected, 1089);
    for (const SimdTarget& target : simd_targets()) {
        const ScopedSimdTarget only(target);
        std::memset(actual.pixels, 0, bytes);
        RgbColor pen = {7, 7, 7};
        draw_phase_lanes(grid, pen, actual, 1089);
        EXPECT_EQ(std::memcmp(actual.pixels, expected.pixels, bytes), 0) << target.name;
        EXPECT_EQ(pen.r, expected_pen.r) << target.name;
    }
}

}  // namespace
