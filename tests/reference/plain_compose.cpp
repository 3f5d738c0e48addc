// One frame in the order the program's behaviour is told in, with the plain
// generators, the plain transform and the plain panels: the test right
// after the selection, the transform right after the menu, the help line in
// whatever tint the last frame left in the font.
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "plain_fft.hpp"
#include "reference.hpp"

namespace reference {

namespace {

void set_tint(TileSheet& font, float r, float g, float b) {
    font.tint[0] = r;
    font.tint[1] = g;
    font.tint[2] = b;
}

void draw_caption(AppState& app, const char* format, int x) {
    std::snprintf(app.text, sizeof app.text, format, 512, 512);
    app.font.draw_text(app.canvas, x, 8, app.text);
}

void draw_white_frame(AppState& app, int x) {
    app.draw_colour = RgbColor{255, 255, 255};
    draw_panel_frame(app.canvas, x, app.draw_colour);
}

// draw(), or the copy of what it drew before into the same rows at x: the
// panel's rows from row 21, as wide as the grid, and the pen it left. The
// panel is kept in `which` of `panels`, if given.
template <typename Draw>
void draw_panel(AppState& app, PlainPanels* panels, PlainPanel PlainPanels::*which, int x,
                Draw draw) {
    PlainPanel* kept = panels != nullptr ? &(panels->*which) : nullptr;
    Canvas& canvas = app.canvas;
    const std::size_t row_bytes = static_cast<std::size_t>(app.working.width) * 3;
    if (kept != nullptr && !kept->pixels.empty()) {
        for (std::int32_t i = 0; i < app.working.height; ++i) {
            std::memcpy(canvas.pixels + pixel_offset(canvas, x, 21 + i),
                        kept->pixels.data() + row_bytes * i, row_bytes);
        }
        app.draw_colour = kept->pen;
        return;
    }
    draw();
    if (kept != nullptr) {
        kept->pixels.resize(row_bytes * static_cast<std::size_t>(app.working.height));
        for (std::int32_t i = 0; i < app.working.height; ++i) {
            std::memcpy(kept->pixels.data() + row_bytes * i,
                        canvas.pixels + pixel_offset(canvas, x, 21 + i), row_bytes);
        }
        kept->pen = app.draw_colour;
    }
}

}  // namespace

void compose_frame(AppState& app, const PlainGrids* known, PlainPanels* panels) {
    // The counter wraps instead of overflowing; the phase follows it.
    app.frame_count = static_cast<std::int32_t>(static_cast<std::uint32_t>(app.frame_count) + 1u);
    app.phase = static_cast<float>(app.frame_count % 1000) * 0.001f;

    // Selection, wrapping round the ten tests.
    if (app.input.step != 0) {
        app.selection += app.input.step;
    }
    if (app.selection >= 10) {
        app.selection = 0;
    } else if (app.selection < 0) {
        app.selection = 9;
    }

    // The magnitude/phase switch, in both layouts.
    if (app.input.toggle) {
        app.show_magnitude = !app.show_magnitude;
    }

    const std::size_t grid_bytes = static_cast<std::size_t>(app.working.size()) * sizeof(Complex);
    if (known != nullptr) {
        if (known->working != &app.working) {
            std::memcpy(app.working.samples, known->working->samples, grid_bytes);
        }
    } else {
        catalogue()[app.selection].generator(app.phase, app.working);
    }

    // Clear to black.
    Canvas& canvas = app.canvas;
    std::memset(canvas.pixels, 0, static_cast<std::size_t>(canvas.width) * canvas.height * 3);

    // The help line, with whatever tint is left.
    if (app.condensed) {
        app.font.draw_text(canvas, 20, 540,
                           "Use arrow keys to select test, Space to switch between magnitude and "
                           "phase, Esc to quit.");
    } else {
        app.font.draw_text(canvas, 20, 540, "Use arrow keys to select test, Esc to quit.");
    }

    // The menu: the selected label black on a white bar.
    for (int i = 0, y = 557; y < 677; ++i, y += 12) {
        if (i == app.selection) {
            for (int row = y; row <= y + 10; ++row) {
                std::memset(canvas.pixels + pixel_offset(canvas, 20, row), 255, 139 * 3);
            }
            set_tint(app.font, 0.0f, 0.0f, 0.0f);
        } else {
            set_tint(app.font, 1.0f, 1.0f, 1.0f);
        }
        app.font.draw_text(canvas, 20, y + 3, catalogue()[i].label);
    }

    // The spectrum: a copy of the input, transformed.
    assert(app.transformed.width == app.working.width &&
           app.transformed.height == app.working.height);
    if (known != nullptr) {
        if (known->transformed != &app.transformed) {
            std::memcpy(app.transformed.samples, known->transformed->samples, grid_bytes);
        }
    } else {
        std::memcpy(app.transformed.samples, app.working.samples, grid_bytes);
        plain_fft::transform_2d(app.transformed.samples, app.transformed.width);
    }

    // Input panel; all captions white.
    set_tint(app.font, 1.0f, 1.0f, 1.0f);
    draw_caption(app, "Input(real part only) %dx%d", 20);
    draw_white_frame(app, 20);
    draw_panel(app, panels, &PlainPanels::input, 21, [&] {
        reference::draw_magnitude(app.working, app.draw_colour, canvas, 21, false, 1.0f);
    });

    // Spectrum panels.
    if (app.condensed) {
        if (app.show_magnitude) {
            draw_caption(app, "Magnitude %dx%d (switch with Space)", 554);
            draw_white_frame(app, 554);
            draw_panel(app, panels, &PlainPanels::magnitude, 555, [&] {
                reference::draw_magnitude(app.transformed, app.draw_colour, canvas, 555, true,
                                          60.0f);
            });
        } else {
            draw_caption(app, "Phase %dx%d (switch with Space)", 554);
            draw_white_frame(app, 554);
            draw_panel(app, panels, &PlainPanels::phase, 555, [&] {
                reference::draw_phase(app.transformed, app.draw_colour, canvas, 555);
            });
        }
    } else {
        draw_caption(app, "Magnitude %dx%d", 554);
        draw_white_frame(app, 554);
        draw_panel(app, panels, &PlainPanels::magnitude, 555, [&] {
            reference::draw_magnitude(app.transformed, app.draw_colour, canvas, 555, true, 60.0f);
        });
        draw_caption(app, "Phase %dx%d", 1088);
        draw_white_frame(app, 1088);
        draw_panel(app, panels, &PlainPanels::phase, 1089,
                   [&] { reference::draw_phase(app.transformed, app.draw_colour, canvas, 1089); });
    }

    // The smoothed rate, from a signed difference of ticks.
    const std::uint32_t now = app.ticks.now();
    const std::int32_t elapsed = static_cast<std::int32_t>(now - app.last_ticks);
    app.last_ticks = now;
    const float instant = elapsed >= 1 ? 1000.0f / static_cast<float>(elapsed) : app.rate;
    const float kept = app.rate * 0.99f;
    const float added = instant * 0.01f;
    app.rate = kept + added;
    std::snprintf(app.text, sizeof app.text, "%3.0f FPS, ph=%1.3f", static_cast<double>(app.rate),
                  static_cast<double>(app.phase));

    // The magenta rate line over its black shadow.
    set_tint(app.font, 0.0f, 0.0f, 0.0f);
    app.font.draw_text(canvas, app.rate_shadow_x, 2, app.text);
    set_tint(app.font, 1.0f, 0.0f, 1.0f);
    app.font.draw_text(canvas, app.rate_text_x, 1, app.text);
}

}  // namespace reference
