// Whole frames of the product against the plain frame, byte for byte: every
// test, both layouts, both positions of the Space switch, on a spread of
// phases (the wrap at 1000 frames, the quarter points where the box and the
// sphere turn, and seeded random frames).
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
};

class FramesMatch : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(ZARVO_ASSETS_DIR), 0) << ZARVO_ASSETS_DIR;
        pair = std::make_unique<FramePair>();
        ASSERT_TRUE(pair->start(GetParam().condensed));
    }
    std::unique_ptr<FramePair> pair;
};

TEST_P(FramesMatch, EveryTestOnASpreadOfPhases) {
    const Layout layout = GetParam();
    const std::vector<int> frames = frames_to_check();
    for (int test = 0; test < 10; ++test) {
        for (int frame : frames) {
            const std::string difference = pair->compare_frame(test, frame, layout.show_magnitude);
            ASSERT_EQ(difference, "") << "test " << test << ", frame " << frame;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, FramesMatch,
                         ::testing::Values(Layout{false, true}, Layout{false, false},
                                           Layout{true, true}, Layout{true, false}),
                         [](const ::testing::TestParamInfo<Layout>& param_info) {
                             return std::string(param_info.param.condensed ? "Condensed" : "Full") +
                                    (param_info.param.show_magnitude ? "Magnitude" : "Phase");
                         });

}  // namespace
