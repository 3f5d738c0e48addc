// The fast generators against the plain ones of tests/reference, bit for
// bit: every frame phase of the cycle, phases no frame produces (negative,
// huge, NaN, infinite, signed zero), and grid sizes that leave partial
// blocks or change between calls (the Thingie tables are rebuilt).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/simd_targets.hpp"
#include "inputs/pattern_kernels.hpp"
#include "inputs/patterns.hpp"
#include "inputs/picture_fill.hpp"
#include "inputs/thingie_sine.hpp"
#include "plain_kernels.hpp"
#include "tests/support/same_bits.hpp"
#include "thingie_sine_walk.hpp"

namespace {

using Generator = std::function<void(float, ComplexGrid&)>;

testing::AssertionResult same_grid(const ComplexGrid& actual, const ComplexGrid& expected) {
    if (same_bytes(actual.samples, expected.samples, static_cast<std::size_t>(actual.size()))) {
        return testing::AssertionSuccess();
    }
    for (std::int64_t k = 0; k < actual.size(); ++k) {
        const Complex a = actual.samples[k];
        const Complex e = expected.samples[k];
        if (!same_float(a.re, e.re) || !same_float(a.im, e.im)) {
            return testing::AssertionFailure()
                   << actual.width << "x" << actual.height << ": sample (" << k / actual.width
                   << ", " << k % actual.width << ") is " << std::hexfloat << a.re << " + " << a.im
                   << "i, plain " << e.re << " + " << e.im << "i";
        }
    }
    return testing::AssertionSuccess();
}

struct Form {
    std::string name;
    Generator generate;
};

// Each form against the plain generator, on every phase given; the plain
// grid is made once per phase.
void expect_same_output(const std::vector<Form>& forms, const Generator& plain,
                        const std::vector<float>& phases, std::int32_t width, std::int32_t height) {
    ComplexGrid actual(width, height);
    ComplexGrid expected(width, height);
    for (float phase : phases) {
        poison(expected);
        plain(phase, expected);
        for (const Form& form : forms) {
            poison(actual);
            form.generate(phase, actual);
            ASSERT_TRUE(same_grid(actual, expected)) << form.name << ", phase " << phase;
        }
    }
}

std::vector<float> frame_phases() {
    std::vector<float> phases;
    for (int n = 0; n < 1000; ++n) {
        phases.push_back(static_cast<float>(n) * 0.001f);
    }
    return phases;
}

const float kOddPhases[] = {-0.0f,
                            -0.001f,
                            -0.648f,
                            1.0f,
                            1.5f,
                            123.25f,
                            1e7f,
                            -1e30f,
                            1e-45f,
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};

// The product's gen_thingie (over the program-wide tables when they fit the
// grid, from scratch when not), and with `all` the portable form and the
// lanes on every SIMD target this CPU executes, each also with every lane
// forced through the scalar fallback, over tables of their own.
std::vector<Form> thingie_forms(bool all, std::int32_t width, std::int32_t height) {
    std::vector<Form> forms = {{"gen_thingie", gen_thingie}};
    if (!all) {
        return forms;
    }
    auto tables = std::make_shared<ThingieTables>(make_thingie_tables(width, height));
    forms.push_back(
        {"portable", [tables](float p, ComplexGrid& g) { gen_thingie_portable(p, g, *tables); }});
    for (const SimdTarget& target : simd_targets()) {
        forms.push_back({target.name, [tables, target](float p, ComplexGrid& g) {
                             const ScopedSimdTarget only(target);
                             gen_thingie_lanes(p, g, *tables);
                         }});
        forms.push_back(
            {target.name + ", all lanes recomputed", [tables, target](float p, ComplexGrid& g) {
                 const ScopedSimdTarget only(target);
                 gen_thingie_lanes(p, g, *tables, true);
             }});
    }
    return forms;
}

TEST(PatternKernels, ThingieOnASpreadOfFramePhases) {
    // As the program runs it: the tables prepared at start-up, the target
    // that dispatch picks. Every 25th frame phase: a fault of the guard at
    // one rare phase is left to zarvo-check-phases, which walks all 1000 in
    // whole frames (FramesMatch checks whole frames on another spread).
    std::vector<float> phases;
    for (int n = 0; n < 1000; n += 25) {
        phases.push_back(static_cast<float>(n) * 0.001f);
    }
    prepare_patterns(512, 512);
    expect_same_output(thingie_forms(false, 512, 512), reference::gen_thingie, phases, 512, 512);
    release_patterns();
}

TEST(PatternKernels, ThingieOnEveryTargetOddPhasesAndSizes) {
    // Partial vectors, and gen_thingie on sizes whose tables were never
    // prepared.
    const std::int32_t sizes[][2] = {{512, 512}, {7, 5}, {16, 2}, {1, 1}, {0, 0}};
    for (const auto& size : sizes) {
        expect_same_output(thingie_forms(true, size[0], size[1]), reference::gen_thingie,
                           {0.0f, 0.001f, 0.25f, 0.999f}, size[0], size[1]);
    }
    expect_same_output(thingie_forms(true, 64, 64), reference::gen_thingie,
                       std::vector<float>(std::begin(kOddPhases), std::end(kOddPhases)), 64, 64);
}

TEST(PatternKernels, ThingieSineEstimateWithinItsLimitOnEveryTarget) {
    // Every 211th float below the limit, both signs
    // (zarvo-check-thingie-sine walks them all).
    for (const SimdTarget& target : simd_targets()) {
        const ScopedSimdTarget only(target);
        const SineError error = sine_error(211);
        EXPECT_LE(error.largest, thingie_sine::kError) << target.name << " at a = " << error.at;
        EXPECT_GT(error.largest, thingie_sine::kError / 2) << "the limit is stated far too loose";
    }
}

TEST(PatternKernels, OtherGeneratorsOnEveryFramePhaseAndOddOnes) {
    const std::vector<float> odd(std::begin(kOddPhases), std::end(kOddPhases));
    std::vector<float> all = frame_phases();
    all.insert(all.end(), odd.begin(), odd.end());
    // The animated ones on every phase; those that ignore the phase on the
    // odd phases (their plain forms are slow and their output is the same).
    expect_same_output({{"vertical line", gen_vertical_line}}, reference::gen_vertical_line, all,
                       512, 512);
    expect_same_output({{"rotating box", gen_rotating_box}}, reference::gen_rotating_box, all, 512,
                       512);
    expect_same_output({{"pulsating sphere", gen_pulsating_sphere}},
                       reference::gen_pulsating_sphere, all, 512, 512);
    expect_same_output({{"horizontal sine", gen_horizontal_sine}}, reference::gen_horizontal_sine,
                       odd, 512, 512);
    expect_same_output({{"vertical sine", gen_vertical_sine}}, reference::gen_vertical_sine, odd,
                       512, 512);
    expect_same_output({{"pattern", gen_pattern}}, reference::gen_pattern, odd, 512, 512);
}

TEST(PatternKernels, RoutinesOnOtherSizes) {
    // Square sizes for the vertical sine; odd and small ones for the rest
    // (the checkerboard copies rows 32 apart, the disc walks out from an
    // off-centre column).
    for (std::int32_t side : {1, 2, 33, 100}) {
        expect_same_output({{"vertical sine", gen_vertical_sine}}, reference::gen_vertical_sine,
                           {0.0f}, side, side);
    }
    const std::int32_t sizes[][2] = {{1, 1}, {3, 70}, {70, 3}, {31, 33}, {600, 40}, {0, 0}};
    for (const auto& size : sizes) {
        expect_same_output({{"horizontal sine", gen_horizontal_sine}},
                           reference::gen_horizontal_sine, {0.0f}, size[0], size[1]);
        expect_same_output({{"pattern", gen_pattern}}, reference::gen_pattern, {0.0f}, size[0],
                           size[1]);
        for (float radius : {0.0f, 0.5f, 1.0f, 1.5f, 20.0f, 1e9f, -1.0f,
                             std::numeric_limits<float>::quiet_NaN()}) {
            expect_same_output(
                {{"fill_disc", [radius](float, ComplexGrid& g) { fill_disc(g, radius); }}},
                [radius](float, ComplexGrid& g) { reference::fill_disc(g, radius); }, {0.0f},
                size[0], size[1]);
        }
    }
}

TEST(PictureFill, EveryByteAtEveryLaneAndPartialBlocks) {
    // A picture of 512 x 512 bytes where every byte value occurs at every
    // position modulo 8 (the lane it lands in); smaller grids read its first
    // W * H bytes, as the fill does.
    std::vector<std::uint8_t> picture(512 * 512);
    for (int k = 0; k < 512 * 512; ++k) {
        picture[k] = static_cast<std::uint8_t>(k / 8 * 3 + k % 8 * 37);
    }
    const std::uint8_t* bytes = picture.data();
    std::vector<Form> forms = {
        {"fill_real_from_bytes", [&](float, ComplexGrid& g) { fill_real_from_bytes(g, bytes); }},
        {"portable", [&](float, ComplexGrid& g) { fill_real_from_bytes_portable(g, bytes); }}};
    for (const SimdTarget& target : simd_targets()) {
        forms.push_back({target.name, [&, target](float, ComplexGrid& g) {
                             const ScopedSimdTarget only(target);
                             fill_real_from_bytes_lanes(g, bytes);
                         }});
    }
    const std::int32_t sizes[][2] = {{512, 512}, {7, 5}, {9, 1}, {1, 1}, {0, 0}};
    for (const auto& size : sizes) {
        expect_same_output(
            forms, [&](float, ComplexGrid& g) { reference::fill_from_bytes(g, bytes); }, {0.0f},
            size[0], size[1]);
    }
}

}  // namespace
