// compose_frame against values worked out by hand, on small fixture sheets:
// every font cell has only its top-left pixel white, so each character of a
// text lights exactly one canvas pixel at (x + 8k, y - 1); the pictures are black.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.hpp"
#include "app/compose_frame.hpp"
#include "inputs/images.hpp"

namespace {

struct Clock {
    std::uint32_t now = 1000;
};

std::uint32_t read_clock(void* context) {
    return static_cast<Clock*>(context)->now;
}

class ComposeFrame : public ::testing::Test {
protected:
    void SetUp() override {
        // 128 x 64 pixels, three bytes each, rows of 384 bytes.
        font.width = 128;
        font.height = 64;
        font.pitch = 128 * 3;
        font.pixels.assign(static_cast<std::size_t>(font.pitch) * 64, 0);
        for (int code = 0; code < 128; ++code) {
            std::uint8_t* p =
                font.pixels.data() + (code / 16) * 8 * font.pitch + (code % 16) * 8 * 3;
            p[0] = p[1] = p[2] = 255;
        }
        for (TileSheet* sheet : {&ostrel_sheet, &vhs_sheet, &sierpinsky_sheet}) {
            put_picture(*sheet, std::vector<std::uint8_t>(512 * 512, 0));
        }
    }

    void TearDown() override {
        for (TileSheet* sheet : {&ostrel_sheet, &vhs_sheet, &sierpinsky_sheet}) {
            release_sheet(*sheet);
        }
        if (app != nullptr) {
            delete app;
        }
    }

    AppState& start(bool condensed) { return start(condensed, TickSource{read_clock, &clock}); }

    AppState& start(bool condensed, TickSource ticks) {
        app = new AppState;
        start_grids_and_catalogue(*app);
        choose_layout(*app, condensed ? 1100 : 1640);
        app->font = font;
        app->font.cell_width = app->font.cell_height = 8;
        app->font.cells_per_row = 16;
        init_canvas_buffer(app->canvas, app->layout_width);
        start_overlay(*app, ticks);
        return *app;
    }

    const std::uint8_t* pixel(int x, int y) const {
        return app->canvas.pixels + pixel_offset(app->canvas, x, y);
    }
    std::string rgb(int x, int y) const {
        const std::uint8_t* p = pixel(x, y);
        return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
    }

    TileSheet font;
    AppState* app = nullptr;
    Clock clock;
};

TEST_F(ComposeFrame, PhaseFollowsTheFrameCounterAndIsPrintedInTheRateLine) {
    AppState& a = start(false);
    a.selection = 3;
    clock.now += 10;  // 100 frames per second: the first rate is 1 % of it
    compose_frame(a);
    EXPECT_EQ(a.frame_count, 1);
    EXPECT_EQ(a.phase, 0.001f);
    EXPECT_EQ(a.rate, 1.0f);
    EXPECT_STREQ(a.text, "  1 FPS, ph=0.001");

    a.frame_count = 998;
    compose_frame(a);
    EXPECT_EQ(a.phase, static_cast<float>(999) * 0.001f);
    EXPECT_NE(std::string(a.text).find("ph=0.999"), std::string::npos) << a.text;
    compose_frame(a);
    EXPECT_EQ(a.phase, 0.0f);
    EXPECT_NE(std::string(a.text).find("ph=0.000"), std::string::npos) << a.text;

    // The counter wraps instead of overflowing.
    a.frame_count = 2147483647;
    compose_frame(a);
    EXPECT_EQ(a.frame_count, -2147483647 - 1);
}

TEST_F(ComposeFrame, SelectionStepsAndWraps) {
    struct Case {
        int from, step, to;
    };
    const Case cases[] = {{0, -1, 9}, {9, 1, 0}, {4, 1, 5}, {4, -1, 3}, {4, 0, 4}};
    AppState& a = start(false);
    for (const Case& c : cases) {
        a.selection = c.from;
        a.input.step = c.step;
        compose_frame(a);
        EXPECT_EQ(a.selection, c.to) << c.from << " " << c.step;
    }
}

TEST_F(ComposeFrame, SpaceSwitchesThePanelInBothLayouts) {
    for (const bool condensed : {false, true}) {
        AppState& a = start(condensed);
        a.selection = 5;
        a.input.toggle = true;
        compose_frame(a);
        EXPECT_FALSE(a.show_magnitude);
        a.input.toggle = false;
        compose_frame(a);
        EXPECT_FALSE(a.show_magnitude);
        a.input.toggle = true;
        compose_frame(a);
        EXPECT_TRUE(a.show_magnitude);
        delete app;
        app = nullptr;
    }
}

TEST_F(ComposeFrame, RateIsSmoothedAndKeptWhenNoTimePassed) {
    AppState& a = start(false);
    a.selection = 5;
    a.rate = 50.0f;
    const struct {
        std::int32_t elapsed;
        float instant;
    } cases[] = {{4, 250.0f}, {0, -1.0f}, {-5, -1.0f}, {1000, 1.0f}};
    for (const auto& c : cases) {
        const float before = a.rate;
        clock.now += static_cast<std::uint32_t>(c.elapsed);
        compose_frame(a);
        // -1 marks "the current rate stands in for the instantaneous one".
        const float instant = c.instant < 0 ? before : c.instant;
        const float kept = before * 0.99f;
        const float added = instant * 0.01f;
        EXPECT_EQ(a.rate, kept + added) << c.elapsed;
        EXPECT_EQ(a.last_ticks, clock.now);
    }
}

// SDL's millisecond counter wraps after about 49.7 days; the rate must come
// out the same on either side of the wrap, and the phase across its own wrap
// every 1000 frames. The clock is read once at start-up, then once per frame.
struct Readings {
    const std::uint32_t* values;
    int next = 0;
};

std::uint32_t read_next(void* context) {
    auto* readings = static_cast<Readings*>(context);
    return readings->values[readings->next++];
}

TEST_F(ComposeFrame, RateAndPhaseAcrossTheTickCounterWrap) {
    // Each rate worked out beforehand in single precision:
    // rate * 0.99f + (1000.0f / elapsed) * 0.01f, or the rate itself when
    // the signed 32-bit elapsed time is below 1.
    const struct {
        std::uint32_t ticks;
        std::int32_t elapsed;  // from the previous reading, as a signed 32-bit difference
        float rate;
        const char* line;
    } cases[] = {
        {0xFFFFFFFAu, 10, 0x1.e33334p+5f, " 60 FPS, ph=0.998"},         // just before the wrap
        {0x00000004u, 10, 0x1.e65e36p+5f, " 61 FPS, ph=0.999"},         // across it: 10 ms
        {0x00000004u, 0, 0x1.e65e36p+5f, " 61 FPS, ph=0.000"},          // same millisecond
        {0xFFFFFFFEu, -6, 0x1.e65e36p+5f, " 61 FPS, ph=0.001"},         // stepped back across it
        {0x00000000u, 2, 0x1.04c08ep+6f, " 65 FPS, ph=0.002"},          // forward across it again
        {0x80000000u, INT32_MIN, 0x1.04c08ep+6f, " 65 FPS, ph=0.003"},  // half the range: negative
        {0xFFFFFFFFu, INT32_MAX, 0x1.022508p+6f,
         " 65 FPS, ph=0.004"},  // just under half: 2^31 - 1 ms
        {0x00000003u, 4, 0x1.09902ep+6f, " 66 FPS, ph=0.005"},
    };
    std::uint32_t values[1 + sizeof cases / sizeof cases[0]] = {0xFFFFFFF0u};
    for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        values[i + 1] = cases[i].ticks;
    }
    Readings readings{values};
    AppState& a = start(false, TickSource{read_next, &readings});
    EXPECT_EQ(a.last_ticks, 0xFFFFFFF0u);
    a.selection = 5;
    a.rate = 60.0f;
    a.frame_count = 997;
    for (const auto& c : cases) {
        compose_frame(a);
        EXPECT_EQ(a.rate, c.rate) << "elapsed " << c.elapsed;
        EXPECT_STREQ(a.text, c.line) << "elapsed " << c.elapsed;
        EXPECT_EQ(a.last_ticks, c.ticks);
    }
    EXPECT_EQ(readings.next, 1 + static_cast<int>(sizeof cases / sizeof cases[0]));
}

TEST_F(ComposeFrame, HelpLineKeepsTheTintThatIsLeft) {
    AppState& a = start(true);
    a.selection = 5;
    compose_frame(a);
    // First glyph of the help line at (20, 540) lights (20, 539).
    EXPECT_EQ(rgb(20, 539), "255,25,255");
    compose_frame(a);
    EXPECT_EQ(rgb(20, 539), "255,0,255");
    // 88 characters in the condensed layout: the last lights x = 20 + 8 * 87.
    EXPECT_EQ(rgb(20 + 8 * 87, 539), "255,0,255");
    EXPECT_EQ(rgb(20 + 8 * 88, 539), "0,0,0");
}

TEST_F(ComposeFrame, MenuBarSitsBehindTheSelectedLabelOnly) {
    AppState& a = start(false);
    a.selection = 7;
    compose_frame(a);
    for (int i = 0; i < kTestCount; ++i) {
        const int top = 557 + 12 * i;
        if (i == 7) {
            // Bar rows top..top+10, columns 20..158, white but for the black glyphs.
            for (int y = top; y <= top + 10; ++y) {
                for (int x = 20; x <= 158; ++x) {
                    const bool glyph = y == top + 2 && (x - 20) % 8 == 0 &&
                                       (x - 20) / 8 < static_cast<int>(std::strlen("Rotating Box"));
                    ASSERT_EQ(rgb(x, y), glyph ? "0,0,0" : "255,255,255") << x << "," << y;
                }
            }
            EXPECT_EQ(rgb(159, top), "0,0,0");
            EXPECT_EQ(rgb(19, top), "0,0,0");
            EXPECT_EQ(rgb(20, top - 1), "0,0,0");
            EXPECT_EQ(rgb(20, top + 11), "0,0,0");
        } else {
            EXPECT_EQ(rgb(20, top + 2), "255,255,255") << "label " << i;
            EXPECT_EQ(rgb(28, top + 3), "0,0,0") << "no bar at " << i;
        }
    }
}

TEST_F(ComposeFrame, CaptionsFramesAndRateLineByLayout) {
    for (const bool condensed : {false, true}) {
        AppState& a = start(condensed);
        a.selection = 5;
        compose_frame(a);
        const int w = a.layout_width;
        // The canvas was dark red: everything not drawn is black now.
        EXPECT_EQ(rgb(w - 1, 799), "0,0,0");
        EXPECT_EQ(rgb(10, 700), "0,0,0");
        // Captions at y 8 light row 7; "Input(real part only) 512x512" has 29 characters.
        EXPECT_EQ(rgb(20 + 8 * 28, 7), "255,255,255");
        EXPECT_EQ(rgb(20 + 8 * 29, 7), "0,0,0");
        EXPECT_EQ(rgb(554, 7), "255,255,255");
        // "Magnitude 512x512 (switch with Space)" is 37 characters, "Magnitude 512x512" 17.
        const int magnitude_length = condensed ? 37 : 17;
        EXPECT_EQ(rgb(554 + 8 * (magnitude_length - 1), 7), "255,255,255");
        EXPECT_EQ(rgb(554 + 8 * magnitude_length, 7), "0,0,0");
        // White frames at 20 and 554, and at 1088 in the full layout.
        EXPECT_EQ(rgb(20, 20), "255,255,255");
        EXPECT_EQ(rgb(554 + 514, 534), "255,255,255");
        if (!condensed) {
            EXPECT_EQ(rgb(1088, 7), "255,255,255");
            EXPECT_EQ(rgb(1088, 300), "255,255,255");
        }
        // Rate line: magenta text at (w - 197, 1) lights row 0; its black
        // shadow at (w - 196, 2) lands on black.
        EXPECT_EQ(rgb(w - 197, 0), "255,0,255");
        EXPECT_EQ(rgb(w - 197 + 8 * 16, 0), "255,0,255");
        EXPECT_EQ(rgb(w - 196, 1), "0,0,0");
        EXPECT_EQ(a.font.tint[0], 1.0f);
        EXPECT_EQ(a.font.tint[1], 0.0f);
        EXPECT_EQ(a.font.tint[2], 1.0f);
        delete app;
        app = nullptr;
    }
}

}  // namespace
