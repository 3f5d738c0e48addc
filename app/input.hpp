// Keyboard and window input, drained from SDL's event queue once per frame.
#pragma once

#include "app/ticks.hpp"

struct InputState {
    bool quit = false;    // sticky: once set it stays set
    int step = 0;         // -1 (Up), 0 or +1 (Down) in this poll
    bool toggle = false;  // Space was pressed in this poll
};

// Resets step and toggle, then drains the whole event queue. SDL_QUIT, Esc and
// Q set quit; Space sets toggle; Up and Down assign (not add) step, so the
// last arrow of a poll decides. Auto-repeated key-downs and every other event
// are ignored.
void poll_input(InputState& input);

// SDL's millisecond clock.
TickSource sdl_ticks();
