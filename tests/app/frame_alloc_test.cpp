// A steady frame allocates nothing: every global operator new of this
// program is counted while hundreds of frames of each test are composed
// through the headless start-up with the real assets, in both layouts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"
#include "counting_new.hpp"

namespace {

TEST(FrameAllocation, SteadyFramesOfEveryTestAllocateNothing) {
    ASSERT_EQ(chdir(ZARVO_ASSETS_DIR), 0) << ZARVO_ASSETS_DIR;
    for (bool condensed : {false, true}) {
        FixedClock clock;
        const long at_start = allocation_count();
        auto app = std::make_unique<AppState>();
        ASSERT_TRUE(start_headless(*app, condensed, fixed_ticks(clock)));
        ASSERT_GT(allocation_count(), at_start) << "the counter sees the start-up's grids";
        for (int test = 0; test < test_count; ++test) {
            app->selection = test;
            app->input = InputState{};
            // The first frame of a test may build what it keeps (tables,
            // scratch arrays).
            compose_frame(*app);
            const long before = allocation_count();
            for (int frame = 0; frame < 300; ++frame) {
                // Both panels of the condensed layout, in turn.
                app->input.toggle = frame % 100 == 0;
                compose_frame(*app);
            }
            EXPECT_EQ(allocation_count() - before, 0)
                << app->catalogue[test].label << (condensed ? ", condensed" : ", full");
        }
        stop_headless(*app);
    }
}

}  // namespace
