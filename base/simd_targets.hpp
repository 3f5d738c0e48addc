// Which SIMD target runs the kernels.
//
// Every kernel with a vector form (the transform, "Thingie", the picture
// fill, the spectrum panels) is written once against Google Highway and
// compiled for every target Highway reaches on this architecture: AVX3
// (AVX-512), AVX2, SSE4 and SSSE3 on x86-64, NEON on ARM64, and a scalar
// target everywhere. At each call Highway's dispatch runs the best of those
// that the CPU executes; every target gives the same bits as the plain forms.
//
// Tests and benchmarks run each target in turn through ScopedSimdTarget.
// Nothing else chooses a target.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SimdTarget {
    std::int64_t bit = 0;  // Highway's bit for the target (HWY_AVX2, ...)
    std::string name;      // "avx3", "avx2", "sse4", "ssse3", "neon", "scalar", ...
};

// The targets this build compiled that this CPU executes, best first; the
// first is the one dispatch runs (unless a ScopedSimdTarget says otherwise).
std::vector<SimdTarget> simd_targets();

// The target that dispatch runs now.
SimdTarget simd_dispatch_target();

// While one lives, dispatch runs `target` (one of simd_targets()) in every
// kernel; when it goes, the CPU's best again. Not for use on several threads
// at once, nor nested.
struct ScopedSimdTarget {
    explicit ScopedSimdTarget(const SimdTarget& target);
    ~ScopedSimdTarget();
    ScopedSimdTarget(const ScopedSimdTarget&) = delete;
    ScopedSimdTarget& operator=(const ScopedSimdTarget&) = delete;
};
