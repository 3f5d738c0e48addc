// A steady frame allocates nothing: every global operator new of this
// program is counted while frames of each test are composed through the
// headless start-up with the real assets, in both layouts and, condensed,
// on both panels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"
#include "tests/support/counting_new.hpp"
#include "display/panel_kernels.hpp"
#include "inputs/pattern_kernels.hpp"
#include "base/simd_targets.hpp"

namespace {

TEST(FrameAllocation, SteadyFramesOfEveryTestAllocateNothing) {
    ASSERT_EQ(chdir(ZARVO_ASSETS_DIR), 0) << ZARVO_ASSETS_DIR;
    for (bool condensed : {false, true}) {
        FixedClock clock;
        const long at_start = allocation_count();
        auto app = std::make_unique<AppState>();
        ASSERT_EQ(start_headless(*app, condensed, fixed_ticks(clock)), "");
        ASSERT_GT(allocation_count(), at_start) << "the counter sees the start-up's grids";
        for (int test = 0; test < kTestCount; ++test) {
            app->selection = test;
            app->input = InputState{};
            // The first frame of a test may build what it keeps (tables,
            // scratch arrays).
            compose_frame(*app);
            // A handful of frames: an allocation on every frame, or on every
            // other one (each condensed panel in turn), shows in any of them.
            // The kernels' scalar fallbacks, which only some frames take, are
            // checked on their own below.
            const long before = allocation_count();
            for (int frame = 0; frame < 8; ++frame) {
                app->input.toggle = true;
                compose_frame(*app);
            }
            EXPECT_EQ(allocation_count() - before, 0)
                << app->catalogue[test].label << (condensed ? ", condensed" : ", full");
        }
        stop_headless(*app);
    }
}

// The vector kernels send a few lanes a frame to a scalar fallback ("Thingie"
// about one sample in 500,000, the phase panel one in 7,500): with every lane
// forced through it, on every target, still nothing is allocated.
TEST(FrameAllocation, ScalarFallbacksOfEveryTargetAllocateNothing) {
    ComplexGrid grid(512, 512);
    const ThingieTables tables = make_thingie_tables(512, 512);
    Canvas canvas = canvas_without_window(1640);
    RgbColor pen = {0, 0, 0};
    for (const SimdTarget& target : simd_targets()) {
        const ScopedSimdTarget only(target);
        // The first call may set up what dispatch keeps.
        gen_thingie_lanes(0.25f, grid, tables, true);
        const long before = allocation_count();
        gen_thingie_lanes(0.25f, grid, tables, true);
        draw_phase_lanes(grid, pen, canvas, 555, true);
        draw_magnitude_and_phase_lanes(grid, pen, canvas, 555, 1089, 60.0f, true);
        EXPECT_EQ(allocation_count() - before, 0) << target.name;
    }
}

}  // namespace
