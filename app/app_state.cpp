#include "app/app_state.hpp"

#include "inputs/patterns.hpp"

void choose_layout(AppState& app, int desktop_width) {
    app.condensed = desktop_width < 1640;
    app.layout_width = app.condensed ? 1100 : 1640;
    app.show_magnitude = true;
}

const char* window_title(const AppState& app) {
    return app.condensed ? "zarvo (condensed layout)" : "zarvo";
}

void start_grids_and_catalogue(AppState& app) {
    app.working.clear();
    app.input = InputState{};
    fill_catalogue(app.catalogue);
    prepare_patterns(app.working.width, app.working.height);
    // Same size, so the transform grid keeps its array: the same state as a
    // fresh copy, transformed once (which gives it its scratch).
    app.transformed.copy_from(app.working);
    app.transformed.transform_2d();
}

void start_overlay(AppState& app, TickSource ticks) {
    // Black font pixels are transparent. The very first help line is drawn
    // in the start-up tint, every later one in the rate line's.
    app.font.key[0] = app.font.key[1] = app.font.key[2] = 0;
    app.font.key_enabled = 1;
    app.help_tint = {1.0f, 0.1f, 1.0f};
    app.font.tint[0] = app.help_tint.r;
    app.font.tint[1] = app.help_tint.g;
    app.font.tint[2] = app.help_tint.b;

    app.ticks = ticks;
    app.last_ticks = app.ticks.now();
    app.rate = 0.0f;
    app.rate_shadow_x = app.layout_width - 196;
    app.rate_text_x = app.layout_width - 197;
    app.frame_count = 0;
    app.selection = 0;
}
