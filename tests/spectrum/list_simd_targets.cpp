// zarvo-simd-targets: prints the SIMD targets this build compiled that this
// CPU executes, best first, one per line; the first is the one dispatch
// runs. The emulated-CPU checks (scripts/x86_cpus_check.sh) read it to see
// that dispatch follows the CPU it finds.
#include <cstdio>

#include "base/simd_targets.hpp"

int main() {
    for (const SimdTarget& target : simd_targets()) {
        std::printf("%s\n", target.name.c_str());
    }
    return 0;
}
