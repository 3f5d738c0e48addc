// Walks floats q in [0, 1] and measures how far the phase panel's folded
// arctangent, as the dispatched SIMD target computes it, lies from the
// double one. Shared by the test (a stride, on every target) and by
// zarvo-check-phase-angle (every float).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "display/panel_kernels.hpp"

struct FoldedError {
    double largest = 0.0;
    float at = 0.0f;
};

// Every `stride`-th float from 0 up to 1, and 1 itself, in batches.
inline FoldedError folded_error(std::uint32_t stride) {
    constexpr std::uint32_t kOneBits = 0x3F800000u;
    constexpr std::size_t kBatch = 1 << 16;
    std::vector<float> q;
    std::vector<float> angle(kBatch);
    q.reserve(kBatch);
    FoldedError error;
    const auto measure = [&] {
        phase_angle_folded(q.data(), angle.data(), q.size());
        for (std::size_t k = 0; k < q.size(); ++k) {
            const double e =
                std::fabs(static_cast<double>(angle[k]) - std::atan(static_cast<double>(q[k])));
            if (e > error.largest) {
                error.largest = e;
                error.at = q[k];
            }
        }
        q.clear();
    };
    for (std::uint64_t bits = 0; bits <= kOneBits; bits += stride) {
        float value;
        const auto b = static_cast<std::uint32_t>(bits);
        std::memcpy(&value, &b, sizeof value);
        q.push_back(value);
        if (q.size() == kBatch) {
            measure();
        }
    }
    q.push_back(1.0f);
    measure();
    return error;
}
