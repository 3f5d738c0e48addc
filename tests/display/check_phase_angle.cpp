// zarvo-check-phase-angle: the folded arctangent of the phase panel, in the
// lanes of the SIMD target that dispatch runs, against the double
// arctangent on every float in [0, 1] (about 1.07e9 of them; some 20 s).
// Exits 0 when the largest error is within the limit that the panel's guard
// builds on, 1 otherwise.
#include <cstdio>

#include "display/phase_angle.hpp"
#include "phase_angle_walk.hpp"
#include "base/simd_targets.hpp"

int main() {
    const FoldedError error = folded_error(1);
    std::printf("%s: largest error %.4g at q = %.9g (limit %.3g)\n",
                simd_dispatch_target().name.c_str(), error.largest, static_cast<double>(error.at),
                phase_angle::kFoldedError);
    return error.largest <= phase_angle::kFoldedError ? 0 : 1;
}
