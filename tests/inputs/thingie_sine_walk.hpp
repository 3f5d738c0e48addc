// Walks floats a with |a| below thingie_sine::limit and measures how far
// the estimate lies from glibc's double sine. Shared by the test (a
// stride) and by zarvo-check-thingie-sine (every float).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "inputs/pattern_kernels.hpp"

struct SineError {
    double largest = 0.0;
    float at = 0.0f;
};

// Every `stride`-th float from 0 up to the limit, of both signs.
inline SineError sine_error(std::uint32_t stride) {
    std::uint32_t limit_bits;
    std::memcpy(&limit_bits, &thingie_sine::limit, sizeof limit_bits);
    SineError error;
    for (std::uint32_t magnitude = 0; magnitude < limit_bits; magnitude += stride) {
        for (std::uint32_t sign : {0u, 0x80000000u}) {
            const std::uint32_t bits = magnitude | sign;
            float a;
            std::memcpy(&a, &bits, sizeof a);
            const double e =
                std::fabs(thingie_sine::estimate(a) - std::sin(static_cast<double>(a)));
            if (e > error.largest) {
                error.largest = e;
                error.at = a;
            }
        }
    }
    return error;
}

// The estimate's error as pattern_kernels.hpp states it, which its bound
// builds on.
constexpr double sine_error_limit = 6e-14;
