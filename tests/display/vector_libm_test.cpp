// The rounding guard for glibc's vector functions: a lane is vouched for
// exactly when every double within guard_steps representable doubles of the
// vector result rounds to the same float, checked here against a scan of
// that whole neighbourhood, on doubles built next to float rounding
// midpoints, binade edges, zero, the float range's ends and subnormals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "display/vector_libm_avx2.hpp"

// GCC 12 reports the deliberately undefined upper halves inside its own
// cast and extract intrinsics as uninitialized; nothing here reads them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include "inputs/pattern_kernels.hpp"

#if defined(__x86_64__) && defined(ZARVO_HAVE_LIBMVEC)

namespace {

std::uint64_t bits_of(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

double from_bits(std::uint64_t u) {
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

std::uint32_t float_bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// What the guard must say: sure only when d, and every double within
// guard_steps steps of its bit pattern on the same side of zero, round to
// the same finite float.
bool sure_by_scan(double d) {
    const float f = static_cast<float>(d);
    if (!std::isfinite(f)) {
        return false;
    }
    const std::int64_t u = static_cast<std::int64_t>(bits_of(d) & 0x7FFFFFFFFFFFFFFFull);
    const std::uint64_t sign = bits_of(d) & 0x8000000000000000ull;
    if (u < vector_libm::guard_steps) {
        return false;  // the neighbourhood crosses zero
    }
    for (std::int64_t step = -vector_libm::guard_steps; step <= vector_libm::guard_steps; ++step) {
        const double near = from_bits(sign | static_cast<std::uint64_t>(u + step));
        if (float_bits(static_cast<float>(near)) != float_bits(f)) {
            return false;
        }
    }
    return true;
}

struct Guarded {
    float value[4];
    int unsure;
};

ZARVO_AVX2 Guarded guard(const double (&d)[4]) {
    Guarded out{};
    const __m128 f = vector_libm::round_to_float(_mm256_loadu_pd(d), out.unsure);
    _mm_storeu_ps(out.value, f);
    return out;
}

// Runs the guard on every double of `inputs`, four at a time, and compares
// each lane with the scan.
void expect_guard_matches_scan(const std::vector<double>& inputs) {
    int sure_count = 0;
    int unsure_count = 0;
    for (std::size_t k = 0; k + 4 <= inputs.size(); k += 4) {
        const double lanes[4] = {inputs[k], inputs[k + 1], inputs[k + 2], inputs[k + 3]};
        const Guarded g = guard(lanes);
        for (int l = 0; l < 4; ++l) {
            const bool sure = ((g.unsure >> l) & 1) == 0;
            ASSERT_EQ(sure, sure_by_scan(lanes[l])) << std::hexfloat << lanes[l];
            if (sure) {
                ASSERT_EQ(float_bits(g.value[l]), float_bits(static_cast<float>(lanes[l])));
            }
            (sure ? sure_count : unsure_count) += 1;
        }
    }
    // The inputs are built so that both answers occur.
    EXPECT_GT(sure_count, 0);
    EXPECT_GT(unsure_count, 0);
}

// Doubles from `steps` below to `steps` above the bit pattern of `centre`.
void add_around(std::vector<double>& out, double centre, int steps) {
    const std::int64_t u = static_cast<std::int64_t>(bits_of(centre));
    for (int s = -steps; s <= steps; ++s) {
        out.push_back(from_bits(static_cast<std::uint64_t>(u + s)));
    }
}

class RoundingGuard : public ::testing::Test {
protected:
    void SetUp() override {
        if (!thingie_avx2_supported()) {
            GTEST_SKIP() << "no AVX2 on this CPU";
        }
    }
};

TEST_F(RoundingGuard, NextToFloatRoundingMidpoints) {
    std::vector<double> inputs;
    std::mt19937 random(3u);
    std::uniform_real_distribution<float> value(-2.0f, 2.0f);
    for (int n = 0; n < 40; ++n) {
        const float f = value(random);
        const float next = std::nextafter(f, 3.0f);
        // Exact in double: the midpoint between two neighbouring floats.
        const double midpoint = (static_cast<double>(f) + static_cast<double>(next)) / 2.0;
        add_around(inputs, midpoint, 2 * static_cast<int>(vector_libm::guard_steps) + 3);
    }
    expect_guard_matches_scan(inputs);
}

TEST_F(RoundingGuard, BinadeEdgesZeroRangeEndsAndSubnormals) {
    std::vector<double> inputs;
    const double max_float = std::numeric_limits<float>::max();
    const double min_normal = std::numeric_limits<float>::min();
    const double min_sub = std::numeric_limits<float>::denorm_min();
    for (double centre :
         {1.0, -1.0, 0.5, 2.0, 1e-3, max_float, -max_float, max_float * (1.0 + 0x1p-25), min_normal,
          min_normal / 2.0 * 3.0, min_sub, min_sub / 2.0, -min_sub * 1.5}) {
        add_around(inputs, centre, 140);
    }
    // Zero of both signs, and the lowest patterns of each sign.
    add_around(inputs, from_bits(100), 100);
    add_around(inputs, from_bits(0x8000000000000000ull + 100), 100);
    while (inputs.size() % 4 != 0) {
        inputs.push_back(1.0);
    }
    expect_guard_matches_scan(inputs);
}

TEST_F(RoundingGuard, NaNAndInfinitiesAreNeverVouchedFor) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double lanes[4] = {nan, inf, -inf, -nan};
    EXPECT_EQ(guard(lanes).unsure, 0xF);
}

}  // namespace

#endif
