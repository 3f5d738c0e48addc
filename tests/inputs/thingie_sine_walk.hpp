// Walks floats a with |a| below thingie_sine::kLimit and measures how far
// the "Thingie" sine estimate, as the dispatched SIMD target computes it,
// lies from glibc's double sine. Shared by the test (a stride, on every
// target) and by zarvo-check-thingie-sine (every float).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "inputs/pattern_kernels.hpp"
#include "inputs/thingie_sine.hpp"

struct SineError {
    double largest = 0.0;
    float at = 0.0f;
};

// Every `stride`-th float from 0 up to the limit, of both signs, in batches.
inline SineError sine_error(std::uint32_t stride) {
    std::uint32_t limit_bits;
    std::memcpy(&limit_bits, &thingie_sine::kLimit, sizeof limit_bits);
    constexpr std::size_t kBatch = 1 << 16;
    std::vector<float> a;
    std::vector<double> sine(kBatch);
    a.reserve(kBatch);
    SineError error;
    const auto measure = [&] {
        thingie_sine_estimates(a.data(), sine.data(), a.size());
        for (std::size_t k = 0; k < a.size(); ++k) {
            const double e = std::fabs(sine[k] - std::sin(static_cast<double>(a[k])));
            if (e > error.largest) {
                error.largest = e;
                error.at = a[k];
            }
        }
        a.clear();
    };
    for (std::uint32_t magnitude = 0; magnitude < limit_bits; magnitude += stride) {
        for (std::uint32_t sign : {0u, 0x80000000u}) {
            const std::uint32_t bits = magnitude | sign;
            float value;
            std::memcpy(&value, &bits, sizeof value);
            a.push_back(value);
        }
        if (a.size() + 2 > kBatch) {
            measure();
        }
    }
    measure();
    return error;
}
