// The entry's state: one instance for the whole run, read and written by the
// frame composition.
#pragma once

#include <cstdint>

#include "app/input_state.hpp"
#include "app/ticks.hpp"
#include "display/canvas.hpp"
#include "display/tile_sheet.hpp"
#include "inputs/catalogue.hpp"
#include "spectrum/complex_grid.hpp"

// Font tints: red, green and blue factors for TileSheet::tint.
struct Tint {
    float r;
    float g;
    float b;
};

struct AppState {
    ComplexGrid working{512, 512};      // filled by the selected test every frame
    ComplexGrid transformed{512, 512};  // a transformed copy of `working`
    TestEntry catalogue[kTestCount] = {};
    InputState input;  // written by the poll; compose_frame only reads it
    bool condensed = false;
    int layout_width = 1640;
    TileSheet font;
    Canvas canvas;
    char text[64] = {};  // one formatted caption or rate line at a time
    int rate_shadow_x = 0;
    int rate_text_x = 0;
    TickSource ticks;

    // What one frame leaves for the next, which reads it before it writes
    // it again:
    std::int32_t frame_count = 0;  // frames composed so far
    int selection = 0;             // the test shown; Up and Down move it
    bool show_magnitude = true;    // condensed layout: magnitude or phase panel
    float rate = 0.0f;             // smoothed frames per second
    std::uint32_t last_ticks = 0;  // the clock at the last rate measurement
    // The help line's tint: the start-up tint in the first frame; after
    // every frame the rate line's magenta, which the next help line takes on.
    Tint help_tint = {1.0f, 0.1f, 1.0f};

    // What a frame leaves that no later frame reads before writing it: the
    // last frame's results, for whoever looks at them (tests, the renderer).
    float phase = 0.0f;  // the last frame's animation phase
    // The pen of the panels: set white for each panel frame, then each panel
    // leaves the grey of the last pixel it drew (a phase grey may be
    // negative, e.g. -63).
    RgbColor draw_colour = {0, 0, 0};
};

// Layout from the desktop width: full (1640 wide) from 1640 on, else
// condensed (1100 wide). Sets condensed, layout_width, show_magnitude.
void choose_layout(AppState& app, int desktop_width);

// The window title for the layout.
const char* window_title(const AppState& app);

// The start-up that comes before SDL exists: the grids, the input, the
// catalogue, the "Thingie" tables and the transform grid as a transformed
// copy of the cleared working grid ...
void start_grids_and_catalogue(AppState& app);
// ... and what comes once the font is loaded and the canvas exists: the
// font's key and first tint, the rate clock, the rate line's place and the
// counters.
void start_overlay(AppState& app, TickSource ticks);
