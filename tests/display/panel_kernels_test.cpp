// Every implementation of the two panels (portable, dispatch, and the
// vector forms on every SIMD target this CPU executes, each also with every
// lane forced through the scalar fallback) against the plain panels of
// tests/reference: the whole canvas byte for
// byte and the pen, on a transformed spectrum, on samples with every kind
// of special value, on angles built to sit on the edges of grey levels, and
// on sizes that leave partial blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "display/panel_kernels.hpp"
#include "display/panels.hpp"
#include "display/phase_angle.hpp"
#include "phase_angle_walk.hpp"
#include "plain_fft.hpp"
#include "plain_kernels.hpp"
#include "base/simd_targets.hpp"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr double kPi = 3.141592653589793;

std::size_t bytes_of(const Canvas& canvas) {
    return static_cast<std::size_t>(canvas.width) * canvas.height * 3;
}

// Back to the dark red of a new canvas, without a new buffer (a new one for
// every drawing compared cost this test most of its time).
void reset(Canvas& canvas) {
    for (std::size_t k = 0; k < bytes_of(canvas); k += 3) {
        canvas.pixels[k] = 50;
        canvas.pixels[k + 1] = 0;
        canvas.pixels[k + 2] = 0;
    }
}

using MagnitudeDraw = std::function<void(const ComplexGrid&, RgbColor&, Canvas&, int, bool, float)>;
using PhaseDraw = std::function<void(const ComplexGrid&, RgbColor&, Canvas&, int)>;
using BothDraw = std::function<void(const ComplexGrid&, RgbColor&, Canvas&, int, int, float)>;

// The vector forms run under a ScopedSimdTarget for each target this CPU
// executes, so every target is compared with the plain panels.
struct Named {
    std::string name;
    SimdTarget target;  // bit 0: run as dispatch chooses
    MagnitudeDraw magnitude;
    PhaseDraw phase;
    BothDraw both = nullptr;
};

std::vector<Named> implementations() {
    std::vector<Named> all;
    all.push_back({"portable", {}, draw_magnitude_portable, draw_phase_portable});
    all.push_back({"dispatch", {}, draw_magnitude, draw_phase, draw_magnitude_and_phase});
    for (const SimdTarget& target : simd_targets()) {
        all.push_back(
            {target.name, target, draw_magnitude_lanes,
             [](const ComplexGrid& g, RgbColor& pen, Canvas& c, int x) {
                 draw_phase_lanes(g, pen, c, x);
             },
             [](const ComplexGrid& g, RgbColor& pen, Canvas& c, int xm, int xp, float gain) {
                 draw_magnitude_and_phase_lanes(g, pen, c, xm, xp, gain);
             }});
        all.push_back(
            {target.name + ", all lanes recomputed", target, nullptr,
             [](const ComplexGrid& g, RgbColor& pen, Canvas& c, int x) {
                 draw_phase_lanes(g, pen, c, x, true);
             },
             [](const ComplexGrid& g, RgbColor& pen, Canvas& c, int xm, int xp, float gain) {
                 draw_magnitude_and_phase_lanes(g, pen, c, xm, xp, gain, true);
             }});
    }
    return all;
}

// Runs `draw` with dispatch held to the implementation's target, if it has
// one.
template <typename Draw>
void run_on(const Named& impl, Draw draw) {
    if (impl.target.bit == 0) {
        draw();
        return;
    }
    const ScopedSimdTarget only(impl.target);
    draw();
}

testing::AssertionResult same_drawing(const Canvas& actual, RgbColor actual_pen,
                                      const Canvas& expected, RgbColor expected_pen) {
    if (std::memcmp(actual.pixels, expected.pixels, bytes_of(actual)) != 0) {
        for (std::size_t k = 0; k < bytes_of(actual); ++k) {
            if (actual.pixels[k] != expected.pixels[k]) {
                const std::size_t pixel = k / 3;
                return testing::AssertionFailure()
                       << "pixel (" << pixel % 1640 << ", " << pixel / 1640 << ") byte " << k % 3
                       << " is " << int{actual.pixels[k]} << ", plain " << int{expected.pixels[k]};
            }
        }
    }
    if (actual_pen.r != expected_pen.r || actual_pen.g != expected_pen.g ||
        actual_pen.b != expected_pen.b) {
        return testing::AssertionFailure() << "pen " << actual_pen.r << " vs " << expected_pen.r;
    }
    return testing::AssertionSuccess();
}

// Every implementation that has the form against the plain drawing, made
// once: plain(pen, canvas) and drawn(impl, pen, canvas) draw on canvases
// that start dark red, with pens that start at 7.
template <typename Has, typename Plain, typename Drawn>
void expect_all_match(const std::vector<Named>& impls, Has has, Plain plain, Drawn drawn,
                      const std::string& what) {
    Canvas expected = canvas_without_window(1640);
    Canvas actual = canvas_without_window(1640);
    RgbColor expected_pen = {7, 7, 7};
    plain(expected_pen, expected);
    for (const Named& impl : impls) {
        if (!has(impl)) {
            continue;
        }
        reset(actual);
        RgbColor actual_pen = {7, 7, 7};
        run_on(impl, [&] { drawn(impl, actual_pen, actual); });
        EXPECT_TRUE(same_drawing(actual, actual_pen, expected, expected_pen))
            << what << ", " << impl.name;
    }
}

void expect_panels_match(const ComplexGrid& grid, const std::string& what) {
    const int x = 1640 - 21 - grid.width;  // far right: nothing may spill past the panel
    const std::vector<Named> impls = implementations();
    for (bool shifted : {false, true}) {
        for (float gain : {1.0f, 60.0f, 0.0f, -1.0f, 1e30f}) {
            expect_all_match(
                impls, [](const Named& impl) { return impl.magnitude != nullptr; },
                [&](RgbColor& pen, Canvas& canvas) {
                    reference::draw_magnitude(grid, pen, canvas, x, shifted, gain);
                },
                [&](const Named& impl, RgbColor& pen, Canvas& canvas) {
                    impl.magnitude(grid, pen, canvas, x, shifted, gain);
                },
                what + ": magnitude, shifted " + std::to_string(shifted) + ", gain " +
                    std::to_string(gain));
        }
    }
    // Magnitude on the left, phase far right, as one call and as the two
    // plain calls in that order.
    for (float gain : {60.0f, 1.0f, 0.0f, 1e30f}) {
        expect_all_match(
            impls, [](const Named& impl) { return impl.both != nullptr; },
            [&](RgbColor& pen, Canvas& canvas) {
                reference::draw_magnitude(grid, pen, canvas, 21, true, gain);
                reference::draw_phase(grid, pen, canvas, x);
            },
            [&](const Named& impl, RgbColor& pen, Canvas& canvas) {
                impl.both(grid, pen, canvas, 21, x, gain);
            },
            what + ": both panels, gain " + std::to_string(gain));
    }
    expect_all_match(
        impls, [](const Named& impl) { return impl.phase != nullptr; },
        [&](RgbColor& pen, Canvas& canvas) { reference::draw_phase(grid, pen, canvas, x); },
        [&](const Named& impl, RgbColor& pen, Canvas& canvas) { impl.phase(grid, pen, canvas, x); },
        what + ": phase");
}

// Floats of every kind: wide exponents, both signs, signed zeros, NaN,
// infinities, subnormals and values whose squares overflow.
float varied_float(std::mt19937& random) {
    static const float kSpecials[] = {0.0f,   -0.0f,   kNaN,  -kNaN,  kInf, -kInf,
                                      1e-40f, -1e-45f, 3e38f, -3e38f, 1.0f, -1.0f};
    const std::uint32_t pick = random() % 16;
    if (pick < 3) {
        return kSpecials[random() % (sizeof kSpecials / sizeof kSpecials[0])];
    }
    const float mantissa = static_cast<float>(random() % 2000001) / 1000000.0f - 1.0f;
    return std::ldexp(mantissa, static_cast<int>(random() % 60) - 30);
}

TEST(PanelKernels, TransformedSpectrum) {
    ComplexGrid grid(512, 512);
    reference::gen_thingie(0.25f, grid);
    plain_fft::transform_2d(grid.samples, 512);
    expect_panels_match(grid, "Thingie spectrum");
    reference::gen_vertical_line(0.5f, grid);
    plain_fft::transform_2d(grid.samples, 512);
    expect_panels_match(grid, "Vertical Line spectrum (mostly exact zeros)");
}

TEST(PanelKernels, SpecialValuesAndPartialBlocks) {
    std::mt19937 random(7u);
    const int sizes[][2] = {{512, 512}, {24, 6}, {40, 3}, {7, 5}, {1, 1}, {0, 0}};
    for (const auto& size : sizes) {
        ComplexGrid grid(size[0], size[1]);
        for (std::int64_t k = 0; k < grid.size(); ++k) {
            grid.samples[k] = {varied_float(random), varied_float(random)};
        }
        expect_panels_match(grid, std::to_string(size[0]) + "x" + std::to_string(size[1]));
    }
}

TEST(PanelKernels, FiniteGridsWithoutSpecials) {
    // Without an infinite magnitude the scale is finite and every grey level
    // shows up, so the magnitude comparison covers the whole scale.
    std::mt19937 random(11u);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    ComplexGrid grid(512, 512);
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        grid.samples[k] = {value(random), k % 3 == 0 ? 0.0f : value(random)};
    }
    expect_panels_match(grid, "uniform");
}

TEST(PanelKernels, AnglesOnTheEdgesOfGreyLevels) {
    // For every level edge of the phase scale (v = (a * 0.15915494f) * 255
    // crossing an integer), samples whose angles lie within a few float
    // steps of it, at several radii: where the vector angle could round
    // either way.
    ComplexGrid grid(256, 256);
    std::int64_t k = 0;
    for (int level = -127; level <= 127 && k < grid.size(); ++level) {
        const double edge = static_cast<double>(level) / 255.0 * 2.0 * kPi;
        for (int step = -20; step <= 20 && k < grid.size(); ++step) {
            for (double radius : {1.0, 1000.0, 3e-20}) {
                const double a = edge + step * 2e-8;
                grid.samples[k++] = {static_cast<float>(radius * std::cos(a)),
                                     static_cast<float>(radius * std::sin(a))};
            }
        }
    }
    for (; k < grid.size(); ++k) {
        grid.samples[k] = {-1.0f, static_cast<float>(k % 5) - 2.0f};
    }
    expect_panels_match(grid, "level edges");
}

TEST(PanelKernels, AxesAndSignedZeros) {
    // Every combination of a part from this list with another: the exact
    // angles on the axes (0, +-kPi/2, +-kPi with the signs of zero) and the
    // lanes that go to the scalar function (infinite or NaN parts).
    const float parts[] = {0.0f, -0.0f, 1.0f, -1.0f, 1e-45f, -1e-45f, kInf, -kInf, kNaN, 2.5f};
    constexpr int kParts = sizeof parts / sizeof parts[0];
    ComplexGrid grid(kParts * kParts, 1);
    for (int a = 0; a < kParts; ++a) {
        for (int b = 0; b < kParts; ++b) {
            grid.samples[a * kParts + b] = {parts[a], parts[b]};
        }
    }
    expect_panels_match(grid, "axes");
}

TEST(PanelKernels, RunsOfZerosWithOneOddPart) {
    // Sixteen samples at a time (a vector group, aligned with every run of a
    // row), zeros of random signs; in half of the groups one part is
    // something else: the smallest subnormal (whose largest magnitude makes
    // the scale infinite), NaN, an infinity or a plain number, each with
    // either sign.
    std::mt19937 random(19u);
    for (float odd : {1e-45f, kNaN, kInf, 0.75f}) {
        ComplexGrid grid(512, 32);
        for (std::int64_t k = 0; k < grid.size(); ++k) {
            grid.samples[k] = {random() % 2 ? 0.0f : -0.0f, random() % 2 ? 0.0f : -0.0f};
        }
        for (std::int64_t group = 0; group < grid.size(); group += 16) {
            if (random() % 2 == 0) {
                Complex& sample = grid.samples[group + random() % 16];
                (random() % 2 ? sample.re : sample.im) = random() % 2 ? odd : -odd;
            }
        }
        expect_panels_match(grid, "zeros and " + std::to_string(odd));
    }
}

TEST(PhaseAngle, FoldedArctangentWithinItsLimitOnEveryTarget) {
    // Every 97th float of [0, 1] (zarvo-check-phase-angle walks them all).
    for (const SimdTarget& target : simd_targets()) {
        const ScopedSimdTarget only(target);
        const FoldedError error = folded_error(97);
        EXPECT_LE(error.largest, phase_angle::kFoldedError)
            << target.name << " at q = " << error.at;
        EXPECT_GT(error.largest, phase_angle::kFoldedError / 2)
            << "the limit is stated far too loose";
    }
}

TEST(PhaseAngle, EstimateWithinItsErrorOfThePlainAngleOnEveryTarget) {
    // The estimate against the plain angle (double atan2 rounded to float):
    // within the error that the guard's bound adds up, in every octant, on
    // the axes and diagonals, with signed zeros, subnormal and huge parts.
    std::vector<float> re;
    std::vector<float> im;
    const float magnitudes[] = {0.0f, 1e-45f, 1e-40f, 0.5f, 1.0f, 3.0f, 1e20f, 3e38f};
    for (float a : magnitudes) {
        for (float b : magnitudes) {
            for (float sa : {1.0f, -1.0f}) {
                for (float sb : {1.0f, -1.0f}) {
                    re.push_back(sa * a);
                    im.push_back(sb * b);
                }
            }
        }
    }
    std::mt19937 random(5u);
    for (int k = 0; k < 200000; ++k) {
        const float r = varied_float(random);
        const float i = varied_float(random);
        if (std::isfinite(r) && std::isfinite(i)) {
            re.push_back(r);
            im.push_back(i);
        }
    }
    std::vector<float> estimates(re.size());
    for (const SimdTarget& target : simd_targets()) {
        const ScopedSimdTarget only(target);
        phase_angle_estimates(re.data(), im.data(), estimates.data(), re.size());
        for (std::size_t k = 0; k < re.size(); ++k) {
            const float expected = static_cast<float>(
                std::atan2(static_cast<double>(im[k]), static_cast<double>(re[k])));
            ASSERT_LE(std::fabs(static_cast<double>(estimates[k]) - static_cast<double>(expected)),
                      phase_angle::kError)
                << target.name << ": atan2(" << im[k] << ", " << re[k] << ") is " << expected
                << ", estimate " << estimates[k];
            if (re[k] == 0.0f || im[k] == 0.0f) {
                // The axes come out exact, signs of zero included.
                ASSERT_EQ(std::signbit(estimates[k]), std::signbit(expected))
                    << target.name << ": " << re[k] << ", " << im[k];
            }
        }
    }
}

}  // namespace
