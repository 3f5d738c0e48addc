#include "base/simd_targets.hpp"

#include <cctype>

#include "hwy/highway.h"

namespace {

SimdTarget describe(std::int64_t bit) {
    SimdTarget target;
    target.bit = bit;
    target.name = hwy::TargetName(bit);
    for (char& c : target.name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return target;
}

}  // namespace

std::vector<SimdTarget> simd_targets() {
    std::vector<SimdTarget> targets;
    // Lower bits are better targets, so this list runs best first.
    for (const std::int64_t bit : hwy::SupportedAndGeneratedTargets()) {
        targets.push_back(describe(bit));
    }
    return targets;
}

SimdTarget simd_dispatch_target() {
    const std::int64_t usable = hwy::SupportedTargets() & HWY_TARGETS;
    return describe(usable & -usable);
}

ScopedSimdTarget::ScopedSimdTarget(const SimdTarget& target) {
    // Highway's own hook for tests: the next dispatch sees only this target
    // (and the scalar fallback, which every target outranks).
    hwy::SetSupportedTargetsForTest(target.bit);
}

ScopedSimdTarget::~ScopedSimdTarget() {
    hwy::SetSupportedTargetsForTest(0);
}
