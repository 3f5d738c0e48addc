// One frame, from the poll's result to a finished canvas: advance the frame
// counter and phase, apply the selection step and the Space switch, run the
// selected test into the working grid, transform a copy, and draw help line,
// menu, captions, panel frames, panels and the rate line.
#pragma once

#include "app/app_state.hpp"

// Reads app.input (never changes it) and the clock through app.ticks;
// allocates nothing.
void compose_frame(AppState& app);
