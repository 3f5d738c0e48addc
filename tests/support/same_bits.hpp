// Bit-for-bit sameness of floats and the poison that shows an unwritten
// sample, for the tests and the frame checks.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "spectrum/complex_grid.hpp"

// Equal bits, where any NaN equals any NaN (payloads may differ between
// equally valid operand orders).
inline bool same_float(float a, float b) {
    if (std::isnan(a) && std::isnan(b)) {
        return true;
    }
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every sample becomes NaN - 7i before a generator runs, so a sample it
// leaves unwritten shows as well as a wrong one.
inline void poison(ComplexGrid& grid) {
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        grid.samples[k] = {std::numeric_limits<float>::quiet_NaN(), -7.0f};
    }
}
