// Walks floats q in [0, 1] and measures how far the phase panel's folded
// arctangent lies from the double one. Shared by the test (a stride) and by
// zarvo-check-phase-angle (every float).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "display/panel_kernels.hpp"

struct FoldedError {
    double largest = 0.0;
    float at = 0.0f;
};

// Every `stride`-th float from 0 up to 1, and 1 itself.
inline FoldedError folded_error(std::uint32_t stride) {
    constexpr std::uint32_t one_bits = 0x3F800000u;
    FoldedError error;
    const auto visit = [&error](std::uint32_t bits) {
        float q;
        std::memcpy(&q, &bits, sizeof q);
        const double e = std::fabs(static_cast<double>(panel_pixels::phase_angle::folded(q)) -
                                   std::atan(static_cast<double>(q)));
        if (e > error.largest) {
            error.largest = e;
            error.at = q;
        }
    };
    for (std::uint32_t bits = 0; bits < one_bits; bits += stride) {
        visit(bits);
    }
    visit(one_bits);
    return error;
}

// The polynomial's error as panel_kernels.hpp states it, which its bound
// builds on.
constexpr double folded_error_limit = 3.9e-7;
