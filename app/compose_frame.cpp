#include "app/compose_frame.hpp"

#include <cstdio>
#include <cstring>

#include "app/frame_layout.hpp"
#include "display/panels.hpp"

namespace {

constexpr const char* kHelpFull = "Use arrow keys to select test, Esc to quit.";
constexpr const char* kHelpCondensed =
    "Use arrow keys to select test, Space to switch between magnitude and phase, Esc to quit.";
constexpr Tint kBlack = {0.0f, 0.0f, 0.0f};
constexpr Tint kWhite = {1.0f, 1.0f, 1.0f};
constexpr Tint kMagenta = {1.0f, 0.0f, 1.0f};

void set_tint(TileSheet& font, Tint tint) {
    font.tint[0] = tint.r;
    font.tint[1] = tint.g;
    font.tint[2] = tint.b;
}

// The captions always name 512 x 512, whatever the grid's size; each stands
// at its panel's frame.
void draw_caption(AppState& app, const char* format, int panel_x) {
    std::snprintf(app.text, sizeof app.text, format, kPanelSide, kPanelSide);
    app.font.draw_text(app.canvas, panel_x - 1, kCaptionY, app.text);
}

void draw_white_frame(AppState& app, int panel_x) {
    app.draw_colour = RgbColor{255, 255, 255};
    draw_panel_frame(app.canvas, panel_x - 1, app.draw_colour);
}

void draw_highlight_bar(Canvas& canvas, int y) {
    for (int row = y; row < y + kMenuBarHeight; ++row) {
        std::memset(canvas.pixels + pixel_offset(canvas, kMenuX, row), 255, kMenuBarWidth * 3);
    }
}

}  // namespace

// What must come before what: the counter before the phase; the selection
// and the switch before anything is drawn from them; the clear before any
// drawing; the test before the input panel and the transform, which read
// its grid; the rate after everything else, so that it measures one whole
// turn of the loop. The test and the transform touch only the grids and the
// drawing only the canvas, so the test can run after the menu and the
// transform after the input panel: the grid just written is then still in
// the cache for both.
void compose_frame(AppState& app) {
    // The increment wraps instead of overflowing (a signed overflow would
    // be undefined after 2^31 frames).
    app.frame_count = static_cast<std::int32_t>(static_cast<std::uint32_t>(app.frame_count) + 1u);
    app.phase = static_cast<float>(app.frame_count % 1000) * 0.001f;

    // Selection with wrap-around, and the magnitude/phase switch (applied in
    // both layouts, shown only in the condensed one).
    if (app.input.step != 0) {
        app.selection += app.input.step;
    }
    if (app.selection >= kTestCount) {
        app.selection = 0;
    } else if (app.selection < 0) {
        app.selection = kTestCount - 1;
    }
    if (app.input.toggle) {
        app.show_magnitude = !app.show_magnitude;
    }

    Canvas& canvas = app.canvas;
    std::memset(canvas.pixels, 0, static_cast<std::size_t>(canvas.width) * canvas.height * 3);

    // The help line in the tint the last frame left (see AppState::help_tint).
    set_tint(app.font, app.help_tint);
    app.font.draw_text(canvas, kHelpX, kHelpY, app.condensed ? kHelpCondensed : kHelpFull);

    // Menu: the selected label black on a white bar, the others white.
    for (int i = 0; i < kTestCount; ++i) {
        const int y = menu_row_top(i);
        if (i == app.selection) {
            draw_highlight_bar(canvas, y);
            set_tint(app.font, kBlack);
        } else {
            set_tint(app.font, kWhite);
        }
        app.font.draw_text(canvas, kMenuX, y + kMenuLabelDrop, app.catalogue[i].label);
    }

    app.catalogue[app.selection].generator(app.phase, app.working);

    // Input panel: caption, frame, panel. The captions of this frame all
    // stay white.
    set_tint(app.font, kWhite);
    draw_caption(app, "Input(real part only) %dx%d", kInputPanelX);
    draw_white_frame(app, kInputPanelX);
    draw_magnitude(app.working, app.draw_colour, canvas, kInputPanelX, false, 1.0f);

    app.transformed.transform_2d_of(app.working);

    // Spectrum panels: caption, frame, panel.
    if (app.condensed) {
        if (app.show_magnitude) {
            draw_caption(app, "Magnitude %dx%d (switch with Space)", kMagnitudePanelX);
            draw_white_frame(app, kMagnitudePanelX);
            draw_magnitude(app.transformed, app.draw_colour, canvas, kMagnitudePanelX, true, 60.0f);
        } else {
            draw_caption(app, "Phase %dx%d (switch with Space)", kMagnitudePanelX);
            draw_white_frame(app, kMagnitudePanelX);
            draw_phase(app.transformed, app.draw_colour, canvas, kMagnitudePanelX);
        }
    } else {
        // Captions and frames lie outside both panels, so drawing them first
        // changes no pixel; both panels then come from one sweep of the
        // spectrum, leaving the pen as the phase panel does.
        draw_caption(app, "Magnitude %dx%d", kMagnitudePanelX);
        draw_white_frame(app, kMagnitudePanelX);
        draw_caption(app, "Phase %dx%d", kPhasePanelX);
        draw_white_frame(app, kPhasePanelX);
        draw_magnitude_and_phase(app.transformed, app.draw_colour, canvas, kMagnitudePanelX,
                                 kPhasePanelX, 60.0f);
    }

    // Smoothed rate over one whole turn of the loop. The difference is
    // taken as signed so a clock that steps back gives a negative time,
    // which (like 0 ms) keeps the current rate.
    const std::uint32_t now = app.ticks.now();
    const std::int32_t elapsed = static_cast<std::int32_t>(now - app.last_ticks);
    app.last_ticks = now;
    const float instant = elapsed >= 1 ? 1000.0f / static_cast<float>(elapsed) : app.rate;
    // Two float products and a float sum, each rounded on its own.
    const float kept = app.rate * 0.99f;
    const float added = instant * 0.01f;
    app.rate = kept + added;
    std::snprintf(app.text, sizeof app.text, "%3.0f FPS, ph=%1.3f", static_cast<double>(app.rate),
                  static_cast<double>(app.phase));

    // Magenta rate line over a black shadow one pixel right and down; the
    // next help line takes on the magenta.
    set_tint(app.font, kBlack);
    app.font.draw_text(canvas, app.rate_shadow_x, 2, app.text);
    set_tint(app.font, kMagenta);
    app.font.draw_text(canvas, app.rate_text_x, 1, app.text);
    app.help_tint = kMagenta;
}
