// Bit-for-bit comparison of sample arrays in GoogleTest, where any NaN
// equals any NaN (same_float).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>

#include "spectrum/complex_grid.hpp"
#include "tests/support/same_bits.hpp"

// Succeeds when every sample has both parts equal in the above sense;
// otherwise names the first differing index and both values.
inline testing::AssertionResult same_samples(const Complex* actual, const Complex* expected,
                                             std::size_t count) {
    if (same_bytes(actual, expected, count)) {
        return testing::AssertionSuccess();
    }
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
