// Magnitude and phase panels: hand-worked pixels, the grey tables, the pen,
// and a plain per-pixel model compared over the whole canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "display/panels.hpp"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr double kPi = 3.141592653589793;

const std::uint8_t* pixel_at(const Canvas& canvas, int x, int y) {
    return canvas.pixels + pixel_offset(canvas, x, y);
}

void fill(ComplexGrid& grid, Complex value) {
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        grid.samples[k] = value;
    }
}

Complex& at(ComplexGrid& grid, int i, int j) {
    return grid.samples[j + i * grid.width];
}

// The expected grey of every panel pixel, row by row; -1000 marks "not
// drawn". The canvas must hold (grey, grey, grey) (low eight bits) there and
// dark red everywhere else.
void expect_panel(const Canvas& owned, int x, int w, int h, const std::vector<std::int32_t>& greys,
                  const std::string& what) {
    const Canvas& c = owned;
    for (int y = 0; y < c.height; ++y) {
        for (int px = 0; px < c.width; ++px) {
            const bool inside = px >= x && px < x + w && y >= 21 && y < 21 + h;
            const std::uint8_t* p = pixel_at(owned, px, y);
            if (!inside) {
                ASSERT_TRUE(p[0] == 50 && p[1] == 0 && p[2] == 0)
                    << what << ": outside the panel at (" << px << ", " << y << ")";
                continue;
            }
            const auto grey =
                static_cast<std::uint8_t>(greys[static_cast<std::size_t>((y - 21) * w + (px - x))]);
            ASSERT_TRUE(p[0] == grey && p[1] == grey && p[2] == grey)
                << what << ": panel (" << y - 21 << ", " << px - x << ") is " << int{p[0]}
                << ", expected " << int{grey};
        }
    }
}

// ---- plain per-pixel references ----

float ref_magnitude(Complex s) {
    const float re2 = s.re * s.re;
    const float im2 = s.im * s.im;
    const float sum = re2 + im2;
    return static_cast<float>(std::sqrt(static_cast<double>(sum)));
}

std::int32_t ref_grey(float v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 256.0f) {
        return 255;
    }
    if (v <= -2147483648.0f) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(v);
}

std::vector<std::int32_t> ref_magnitude_panel(const ComplexGrid& g, bool shifted, float gain) {
    float max = -1.0f;
    for (std::int64_t k = 0; k < g.size(); ++k) {
        const float m = ref_magnitude(g.samples[k]);
        if (m > max) {
            max = m;
        }
    }
    const float scale = max > 0.0f ? gain / max : 1.0f;
    std::vector<std::int32_t> greys;
    for (int i = 0; i < g.height; ++i) {
        for (int j = 0; j < g.width; ++j) {
            const int si = shifted ? (i + g.height / 2) % g.height : i;
            const int sj = shifted ? (j + g.width / 2) % g.width : j;
            const float m = ref_magnitude(g.samples[sj + si * g.width]);
            const float scaled = m * scale;
            greys.push_back(ref_grey(scaled * 255.0f));
        }
    }
    return greys;
}

std::int32_t ref_phase_grey(Complex s) {
    const double a_d = std::atan2(static_cast<double>(s.im), static_cast<double>(s.re));
    const float a = static_cast<float>(a_d);
    const float turns = a * 0.15915494f;
    return ref_grey(turns * 255.0f);
}

std::vector<std::int32_t> ref_phase_panel(const ComplexGrid& g) {
    std::vector<std::int32_t> greys;
    for (int i = 0; i < g.height; ++i) {
        for (int j = 0; j < g.width; ++j) {
            const int si = (i + g.height / 2) % g.height;
            const int sj = (j + g.width / 2) % g.width;
            greys.push_back(ref_phase_grey(g.samples[sj + si * g.width]));
        }
    }
    return greys;
}

// A grid of varied samples: both signs, signed zeros, a wide range of sizes.
void fill_varied(ComplexGrid& grid) {
    std::uint32_t state = 12345;
    const auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state;
    };
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        const std::uint32_t r = next();
        const float re = static_cast<float>(static_cast<std::int32_t>(next() >> 8) - (1 << 23)) *
                         std::ldexp(1.0f, static_cast<int>(r % 12) - 20);
        const float im =
            (r & 0x1000) != 0
                ? -0.0f
                : static_cast<float>(static_cast<std::int32_t>(next() >> 16) - 32768) * 0.01f;
        grid.samples[k] = {(r & 0x300) == 0 ? 0.0f : re, im};
    }
    grid.samples[777] = {3000.0f, -4000.0f};
}

TEST(MagnitudePanel, ImpulseSwappedAndUnswapped) {
    ComplexGrid grid(512, 512);
    fill(grid, {0.0f, 0.0f});
    at(grid, 0, 0) = {0.0f, -2.5f};
    for (const bool shifted : {true, false}) {
        Canvas owned = canvas_without_window(1640);
        RgbColor pen{7, 7, 7};
        draw_magnitude(grid, pen, owned, 555, shifted, 1.0f);
        std::vector<std::int32_t> greys(512 * 512, 0);
        greys[shifted ? 256 * 512 + 256 : 0] = 255;
        expect_panel(owned, 555, 512, 512, greys, shifted ? "swapped" : "unswapped");
        const std::uint8_t* p =
            shifted ? pixel_at(owned, 555 + 256, 277) : pixel_at(owned, 555, 21);
        EXPECT_EQ(p[0], 255);
    }
}

TEST(MagnitudePanel, ScaleGainAndClamp) {
    struct Case {
        float gain;
        float sample;  // beside a largest magnitude of 1.0
        std::int32_t grey;
    };
    const Case cases[] = {
        {1.0f, 1.0f, 255},
        {1.0f, 0.5f, 127},
        {1.0f, 0.0f, 0},
        {60.0f, 1.0f / 30.0f, 255},  // about 510 before the clamp
        {60.0f, 1.0f / 120.0f, 127},
        {60.0f, 1.0f / 240.0f, 63},
        {kInf, 0.5f, 255},    // an infinite product clamps to 255
        {-1.0f, 1.0f, -255},  // no lower clamp: low eight bits, 1
        {kNaN, 1.0f, 0},      // a NaN scale draws black
    };
    for (const Case& c : cases) {
        ComplexGrid grid(4, 4);
        fill(grid, {0.0f, 0.0f});
        at(grid, 0, 0) = {-1.0f, 0.0f};
        at(grid, 3, 3) = {0.0f, c.sample};
        Canvas owned = canvas_without_window(1640);
        RgbColor pen{};
        draw_magnitude(grid, pen, owned, 21, false, c.gain);
        EXPECT_EQ(pen.r, c.grey) << c.gain << " " << c.sample;
        EXPECT_EQ(pen.g, c.grey);
        EXPECT_EQ(pen.b, c.grey);
        EXPECT_EQ(pixel_at(owned, 24, 24)[1], static_cast<std::uint8_t>(c.grey));
    }
}

TEST(MagnitudePanel, ScaleIsADivisionNotAReciprocalProduct) {
    // Largest magnitude 7, gain 60: scale = 60 / 7 = 0x1.124924p+3. A sample
    // of 0x1.dfbd9cp-10 then gives (m * scale) * 255 = 3.99999976, grey 3;
    // 60 * (1 / 7) would round to 0x1.124926p+3 and give exactly 4.
    ComplexGrid grid(2, 2);
    fill(grid, {0.0f, 0.0f});
    at(grid, 0, 0) = {7.0f, 0.0f};
    at(grid, 1, 1) = {0x1.dfbd9cp-10f, 0.0f};
    Canvas owned = canvas_without_window(1640);
    RgbColor pen{};
    draw_magnitude(grid, pen, owned, 21, false, 60.0f);
    EXPECT_EQ(pen.r, 3);
}

TEST(MagnitudePanel, ZeroNaNAndInfiniteGrids) {
    struct Case {
        const char* what;
        Complex fill_with;
        Complex special;  // at (1, 2)
        Complex other;    // at (3, 0)
        std::int32_t special_grey, other_grey, rest_grey;
    };
    const Case cases[] = {
        // The maximum stays 0, the scale 1: black.
        {"zeros", {0.0f, 0.0f}, {0.0f, -0.0f}, {-0.0f, 0.0f}, 0, 0, 0},
        // NaN never becomes the maximum and is drawn black.
        {"NaN beside 0.5", {0.0f, 0.0f}, {kNaN, 0.0f}, {0.5f, 0.0f}, 0, 255, 0},
        {"NaN imaginary", {0.25f, 0.0f}, {1.0f, kNaN}, {0.5f, 0.0f}, 0, 255, 127},
        {"all NaN", {kNaN, kNaN}, {kNaN, 1.0f}, {kNaN, 0.0f}, 0, 0, 0},
        // An infinite maximum gives scale 0 and inf * 0 = NaN: all black.
        {"infinite maximum", {0.5f, 0.0f}, {kInf, 0.0f}, {1.0f, 0.0f}, 0, 0, 0},
        // A square that overflows float is an infinite magnitude as well.
        {"overflowing square", {0.5f, 0.0f}, {3e30f, 0.0f}, {1.0f, 0.0f}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ComplexGrid grid(4, 4);
        fill(grid, c.fill_with);
        at(grid, 1, 2) = c.special;
        at(grid, 3, 0) = c.other;
        Canvas owned = canvas_without_window(1640);
        RgbColor pen{};
        draw_magnitude(grid, pen, owned, 21, false, 1.0f);
        std::vector<std::int32_t> greys(16, c.rest_grey);
        greys[1 * 4 + 2] = c.special_grey;
        greys[3 * 4 + 0] = c.other_grey;
        expect_panel(owned, 21, 4, 4, greys, c.what);
        EXPECT_EQ(greys, ref_magnitude_panel(grid, false, 1.0f)) << c.what;
    }
}

TEST(MagnitudePanel, MatchesPlainReference) {
    ComplexGrid grid(512, 512);
    fill_varied(grid);
    struct Case {
        int x;
        bool shifted;
        float gain;
    };
    for (const Case c : {Case{21, false, 1.0f}, Case{555, true, 60.0f}, Case{1089, true, 1.0f},
                         Case{0, false, 60.0f}}) {
        Canvas owned = canvas_without_window(1640);
        RgbColor pen{};
        draw_magnitude(grid, pen, owned, c.x, c.shifted, c.gain);
        const std::vector<std::int32_t> greys = ref_magnitude_panel(grid, c.shifted, c.gain);
        expect_panel(owned, c.x, 512, 512, greys,
                     "x " + std::to_string(c.x) + " gain " + std::to_string(c.gain));
        EXPECT_EQ(pen.r, greys.back());
    }
}

TEST(PhasePanel, GreyTable) {
    const float a = -0.0247f;
    const float b = 0.0246f;
    struct Case {
        const char* what;
        Complex sample;
        std::int32_t v;  // the pen value; the stored grey is its low eight bits
        std::uint8_t grey;
    };
    const Case cases[] = {
        {"0", {1.0f, 0.0f}, 0, 0},
        {"+0 + 0i", {0.0f, 0.0f}, 0, 0},
        {"+kPi/2", {0.0f, 1.0f}, 63, 63},
        {"-kPi/2", {0.0f, -1.0f}, -63, 193},
        {"+kPi: real negative, +0.0 imaginary", {-1.0f, 0.0f}, 127, 127},
        {"-kPi: real negative, -0.0 imaginary", {-1.0f, -0.0f}, -127, 129},
        {"-0 + 0i", {-0.0f, 0.0f}, 127, 127},
        {"-0 - 0i", {-0.0f, -0.0f}, -127, 129},
        {"-0.0247", {std::cos(a), std::sin(a)}, -1, 255},
        {"+0.0246", {std::cos(b), std::sin(b)}, 0, 0},
        {"-0.0246", {std::cos(-b), std::sin(-b)}, 0, 0},
        {"3pi/4", {-1.0f, 1.0f}, 95, 95},
        {"NaN real", {kNaN, 1.0f}, 0, 0},
        {"NaN imaginary", {1.0f, kNaN}, 0, 0},
        {"infinite", {-kInf, kInf}, 95, 95},
    };
    for (const Case& c : cases) {
        ComplexGrid grid(2, 2);
        fill(grid, c.sample);
        Canvas owned = canvas_without_window(1640);
        RgbColor pen{1000, 1000, 1000};
        draw_phase(grid, pen, owned, 1089);
        EXPECT_EQ(pen.r, c.v) << c.what;
        EXPECT_EQ(pen.g, c.v) << c.what;
        EXPECT_EQ(pen.b, c.v) << c.what;
        expect_panel(owned, 1089, 2, 2, std::vector<std::int32_t>(4, c.grey), c.what);
    }
    // Over a fine sweep of angles the grey runs 0..127 then 129..255: never 128.
    ComplexGrid sweep(512, 512);
    for (std::int64_t k = 0; k < sweep.size(); ++k) {
        const double angle =
            -kPi + 2 * kPi * static_cast<double>(k) / static_cast<double>(sweep.size());
        sweep.samples[k] = {static_cast<float>(std::cos(angle)),
                            static_cast<float>(std::sin(angle))};
    }
    Canvas owned = canvas_without_window(1640);
    RgbColor pen{};
    draw_phase(sweep, pen, owned, 555);
    bool seen[256] = {};
    for (int i = 0; i < 512; ++i) {
        for (int j = 0; j < 512; ++j) {
            seen[pixel_at(owned, 555 + j, 21 + i)[0]] = true;
        }
    }
    for (int grey = 0; grey < 256; ++grey) {
        EXPECT_EQ(seen[grey], grey != 128) << grey;
    }
}

TEST(PhasePanel, AlwaysSwappedAndMatchesPlainReference) {
    ComplexGrid grid(512, 512);
    fill_varied(grid);
    // The last pixel drawn, panel (511, 511), shows sample (255, 255).
    at(grid, 255, 255) = {0.0f, -1.0f};
    for (const int x : {555, 1089}) {
        Canvas owned = canvas_without_window(1640);
        RgbColor pen{};
        draw_phase(grid, pen, owned, x);
        expect_panel(owned, x, 512, 512, ref_phase_panel(grid), "phase at " + std::to_string(x));
        EXPECT_EQ(pen.r, -63);
        EXPECT_EQ(pixel_at(owned, x + 511, 532)[0], 193);
    }
}

TEST(Panels, EmptyGridDrawsNothingAndLeavesThePen) {
    ComplexGrid grid(0, 0);
    Canvas owned = canvas_without_window(1640);
    RgbColor pen{-5, 300, 9};
    draw_magnitude(grid, pen, owned, 21, true, 60.0f);
    draw_phase(grid, pen, owned, 555);
    EXPECT_EQ(pen.r, -5);
    EXPECT_EQ(pen.g, 300);
    EXPECT_EQ(pen.b, 9);
    expect_panel(owned, 0, 0, 0, {}, "empty grid");
}

}  // namespace
