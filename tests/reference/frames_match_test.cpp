// Whole frames of the product against the plain frame, byte for byte: every
// test, both layouts, both positions of the Space switch, on a spread of
// phases (the wrap at 1000 frames, the quarter points where the box and the
// sphere turn, and seeded random frames). The plain grids and panels of a
// test and a phase are worked out once, by the first of the four layouts
// (which shows all three panels), and shared by the other three.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <vector>

#include "frame_check.hpp"

namespace {

std::vector<int> frames_to_check() {
    std::vector<int> frames = {1000, 1,   2,   3,   4,   5,   249, 250,  251,  499,
                               500,  501, 749, 750, 751, 998, 999, 1001, 1999, 123456};
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> any_frame(1, 999);
    while (frames.size() < 40) {
        frames.push_back(any_frame(random));
    }
    return frames;
}

struct Layout {
    bool condensed;
    bool show_magnitude;
    const char* name;
};

TEST(FramesMatch, EveryTestBothLayoutsBothPanelsOnASpreadOfPhases) {
    ASSERT_EQ(chdir(ZARVO_ASSETS_DIR), 0) << ZARVO_ASSETS_DIR;
    auto full = std::make_unique<FramePair>();
    auto condensed = std::make_unique<FramePair>();
    ASSERT_TRUE(full->start(false));
    ASSERT_TRUE(condensed->start(true));
    const Layout layouts[] = {{false, true, "full, magnitude"},
                              {false, false, "full, phase"},
                              {true, true, "condensed, magnitude"},
                              {true, false, "condensed, phase"}};
    const std::vector<int> frames = frames_to_check();
    for (int test = 0; test < kTestCount; ++test) {
        for (int frame : frames) {
            // The first layout computes the plain grids and the panels it
            // shows; the rest copy them.
            const reference::PlainGrids known{&full->plain.working, &full->plain.transformed};
            reference::PlainPanels panels;
            for (const Layout& layout : layouts) {
                FramePair& pair = layout.condensed ? *condensed : *full;
                const bool first = &layout == &layouts[0];
                const std::string difference = pair.compare_frame(
                    test, frame, layout.show_magnitude, first ? nullptr : &known, &panels);
                ASSERT_EQ(difference, "")
                    << "test " << test << ", frame " << frame << ", " << layout.name;
            }
        }
    }
}

}  // namespace
