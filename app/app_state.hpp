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
// clock in tests and in the headless renderer.
using TickSource = Uint32 (*)();

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
    TickSource ticks = nullptr;
};

// Layout from the desktop width: full (1640 wide) from 1640 on, else
// condensed (1100 wide). Sets condensed, layout_width, show_magnitude.
void choose_layout(AppState& app, int desktop_width);

// The window title for the layout.
const char* window_title(const AppState& app);
