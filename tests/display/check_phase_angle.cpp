// zarvo-check-phase-angle: the folded arctangent of the phase panel against
// the double arctangent on every float in [0, 1] (about 1.07e9 of them;
// some 20 s). Exits 0 when the largest error is within the limit that the
// panel's guard builds on, 1 otherwise.
#include <cstdio>

#include "phase_angle_walk.hpp"

int main() {
    const FoldedError error = folded_error(1);
    std::printf("largest error %.4g at q = %.9g (limit %.3g)\n", error.largest,
                static_cast<double>(error.at), folded_error_limit);
    return error.largest <= folded_error_limit ? 0 : 1;
}
