// simd_targets.hpp for a build of one target (ZARVO_SIMD_STATIC): the
// kernels were compiled for the target the compiler's flags name and call
// it directly, so there is one target to list and nothing to choose.
#include <cctype>

#include "base/simd_targets.hpp"
#include "hwy/highway.h"

namespace {

SimdTarget static_target() {
    SimdTarget target;
    target.bit = HWY_STATIC_TARGET;
    target.name = hwy::TargetName(HWY_STATIC_TARGET);
    for (char& c : target.name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return target;
}

}  // namespace

std::vector<SimdTarget> simd_targets() {
    return {static_target()};
}

SimdTarget simd_dispatch_target() {
    return static_target();
}

// The only target there is runs whatever is asked.
ScopedSimdTarget::ScopedSimdTarget(const SimdTarget& /*target*/) {}

ScopedSimdTarget::~ScopedSimdTarget() {}
