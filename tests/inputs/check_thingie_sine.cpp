// zarvo-check-thingie-sine: the sine estimate of the "Thingie" kernel, in
// the lanes of the SIMD target that dispatch runs, against glibc's double
// sine on every float below its limit, both signs (about 2.2e9 of them; some
// 30 s). Exits 0 when the largest error is within the limit that the
// kernel's guard builds on, 1 otherwise.
#include <cstdio>

#include "base/simd_targets.hpp"
#include "inputs/thingie_sine.hpp"
#include "thingie_sine_walk.hpp"

int main() {
    const SineError error = sine_error(1);
    std::printf("%s: largest error %.4g at a = %.9g (limit %.3g)\n",
                simd_dispatch_target().name.c_str(), error.largest, static_cast<double>(error.at),
                thingie_sine::kError);
    return error.largest <= thingie_sine::kError ? 0 : 1;
}
