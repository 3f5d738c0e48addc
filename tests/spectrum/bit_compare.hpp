// Bit-for-bit comparison of sample arrays, where any NaN equals any NaN
// (payloads may differ between equally valid operand orders).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "spectrum/complex_grid.hpp"

inline bool same_float(float a, float b) {
    if (std::isnan(a) && std::isnan(b)) {
        return true;
    }
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Succeeds when every sample has both parts equal in the above sense;
// otherwise names the first differing index and both values.
inline testing::AssertionResult same_samples(const Complex* actual, const Complex* expected,
                                             std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!same_float(actual[i].re, expected[i].re) ||
            !same_float(actual[i].im, expected[i].im)) {
            return testing::AssertionFailure()
                   << "sample " << i << " is (" << actual[i].re << ", " << actual[i].im
                   << "), expected (" << expected[i].re << ", " << expected[i].im << ")"
                   << " [hex " << std::hexfloat << actual[i].re << ", " << actual[i].im << " vs "
                   << expected[i].re << ", " << expected[i].im << "]";
        }
    }
    return testing::AssertionSuccess();
}
