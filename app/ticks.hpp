// Where the composition reads the time: SDL_GetTicks in the program, the
// page's clock in the browser, a fixed clock in tests and in the headless
// renderer. The context is handed back to `read` untouched.
#pragma once

#include <cstdint>

struct TickSource {
    std::uint32_t (*read)(void* context) = nullptr;
    void* context = nullptr;

    std::uint32_t now() const { return read(context); }
};

// A clock that moves by a fixed step each time it is read.
struct FixedClock {
    std::uint32_t now = 0;
    std::uint32_t step = 16;
};

// A TickSource over a FixedClock, which must outlive it.
TickSource fixed_ticks(FixedClock& clock);
