// zarvo-check-thingie-sine: the sine estimate of the "Thingie" kernel
// against glibc's double sine on every float below its limit, both signs
// (about 2.4e9 of them; a minute or two). Exits 0 when the largest error is
// within the limit that the kernel's guard builds on, 1 otherwise.
#include <cstdio>

#include "thingie_sine_walk.hpp"

int main() {
    const SineError error = sine_error(1);
    std::printf("largest error %.4g at a = %.9g (limit %.3g)\n", error.largest,
                static_cast<double>(error.at), sine_error_limit);
    return error.largest <= sine_error_limit ? 0 : 1;
}
