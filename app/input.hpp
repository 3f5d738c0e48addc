// Keyboard and window input, drained from SDL's event queue once per frame.
#pragma once

#include "app/input_state.hpp"
#include "app/ticks.hpp"

// Resets step and toggle, then drains the whole event queue. SDL_QUIT, Esc and
// Q set quit; Space sets toggle; Up and Down assign (not add) step, so the
// last arrow of a poll decides. Auto-repeated key-downs and every other event
// are ignored.
void poll_input(InputState& input);

// SDL's millisecond clock.
TickSource sdl_ticks();
