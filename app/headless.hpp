// Start-up without a window, for the headless renderer, the benchmarks and
// the tests: everything the program sets up except SDL's video, the window
// and OpenGL, with the same code and in the same order.
#pragma once

#include <string>

#include "app/app_state.hpp"

// Grids, catalogue and layout (1100 or 1640 wide), the four sheets read from
// the working directory with the program's checks (the three program-wide
// picture sheets only if they are not loaded yet), a dark-red canvas buffer
// and the overlay state with `ticks` as the clock. Returns an empty string,
// or the message of the first load that failed (for the caller to log).
std::string start_headless(AppState& app, bool condensed, TickSource ticks);

// Releases what start_headless acquired: the canvas buffer, the font
// sheet, the three picture sheets and the "Thingie" tables (the
// program-wide sheets and tables are reset).
// The program itself keeps all of these until it ends; tools and tests that
// start more than once, or check for leaks, call this.
void stop_headless(AppState& app);
