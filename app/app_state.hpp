// The entry's state: one instance for the whole run, read and written by the
// frame composition.
#pragma once

#include <SDL_stdinc.h>

#include "app/input.hpp"
#include "display/canvas.hpp"
#include "display/tile_sheet.hpp"
#include "inputs/catalogue.hpp"
#include "spectrum/complex_grid.hpp"

// Where the composition reads the time: SDL_GetTicks in the program, a fixed
// clock in tests and in the headless renderer. The context is handed back to
// `read` untouched.
struct TickSource {
    Uint32 (*read)(void* context) = nullptr;
    void* context = nullptr;

    Uint32 now() const { return read(context); }
};

// SDL's millisecond clock.
TickSource sdl_ticks();

struct AppState {
    ComplexGrid working{512, 512};      // filled by the selected test every frame
    ComplexGrid transformed{512, 512};  // a transformed copy of `working`
    TestEntry catalogue[test_count] = {};
    InputState input;
    bool condensed = false;
    bool show_magnitude = true;
    int layout_width = 1640;
    TileSheet font;
    Canvas canvas;
    RgbColor draw_colour = {0, 0, 0};
    char text[64] = {};
    int selection = 0;
    std::int32_t frame_count = 0;
    float phase = 0.0f;
    float rate = 0.0f;
    Uint32 last_ticks = 0;
    int rate_shadow_x = 0;
    int rate_text_x = 0;
    TickSource ticks;
};

// Layout from the desktop width: full (1640 wide) from 1640 on, else
// condensed (1100 wide). Sets condensed, layout_width, show_magnitude.
void choose_layout(AppState& app, int desktop_width);

// The window title for the layout.
const char* window_title(const AppState& app);

// Start-up steps that need no window: 1-4 (grids, input, catalogue, the
// transformed copy) before SDL exists ...
void start_grids_and_catalogue(AppState& app);
// ... and 10-11 once the font is loaded and the canvas exists: the font's key
// and first tint, the rate clock, the rate line's place, counters.
void start_overlay(AppState& app, TickSource ticks);
