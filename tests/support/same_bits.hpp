// Bit-for-bit sameness of floats and the poison that shows an unwritten
// sample, for the tests and the frame checks.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
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
    // The bits as integers: a memcmp call here would go through the
    // sanitizers' interceptor once per float, which cost the grid checks
    // most of their time in that build.
    std::uint32_t x;
    std::uint32_t y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// True when the two arrays hold the same bytes: the quick answer for equal
// grids, one library call where a loop over the samples costs a checked
// load per float in the sanitizer build. A false still leaves same_float's
// NaN rule to be applied sample by sample.
inline bool same_bytes(const Complex* a, const Complex* b, std::size_t count) {
    return count == 0 || std::memcmp(a, b, count * sizeof(Complex)) == 0;
}

// Every sample becomes NaN - 7i before a generator runs, so a sample it
// leaves unwritten shows as well as a wrong one. The first sample is copied
// over ever longer runs, for the same reason as same_bytes.
inline void poison(ComplexGrid& grid) {
    const std::int64_t count = grid.size();
    if (count == 0) {
        return;
    }
    grid.samples[0] = {std::numeric_limits<float>::quiet_NaN(), -7.0f};
    for (std::int64_t done = 1; done < count;) {
        const std::int64_t run = std::min(done, count - done);
        std::memcpy(grid.samples + done, grid.samples,
                    static_cast<std::size_t>(run) * sizeof(Complex));
        done += run;
    }
}
