#include "app/headless.hpp"

#include <SDL.h>

#include <initializer_list>

#include "display/sheet_bmp.hpp"
#include "inputs/images.hpp"
#include "inputs/patterns.hpp"
#include "inputs/picture_sheets.hpp"

std::string start_headless(AppState& app, bool condensed, TickSource ticks) {
    start_grids_and_catalogue(app);
    choose_layout(app, condensed ? 1100 : 1640);
    // The picture sheets are program-wide: a second start in the same process
    // (two apps side by side) shares those the first one loaded.
    if (ostrel_sheet.pixels.empty()) {
        if (std::string error = load_picture_sheets(); !error.empty()) {
            return error;
        }
    }
    if (std::string error = load_bmp(app.font, "font2.bmp", 8, check_font_surface);
        !error.empty()) {
        return error;
    }
    init_canvas_buffer(app.canvas, app.layout_width);
    start_overlay(app, ticks);
    return {};
}

void stop_headless(AppState& app) {
    app.canvas = Canvas();
    for (TileSheet* sheet : {&app.font, &ostrel_sheet, &vhs_sheet, &sierpinsky_sheet}) {
        release_sheet(*sheet);
    }
    release_patterns();
}
