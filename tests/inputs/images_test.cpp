// fill_from_sheet on 8-bit pictures written to BMP files and loaded back
// the way the program loads them.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>

#include "display/sheet_bmp.hpp"
#include "inputs/images.hpp"
#include "inputs/picture_sheets.hpp"
#include "tests/support/same_bits.hpp"

namespace {

constexpr int kSide = 512;

std::uint32_t bits(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// Writes an 8-bit 512 x 512 BMP whose byte k is byte_at(k) and loads it
// back into `sheet` with the program's loader and picture check.
template <typename ByteAt>
bool round_trip_picture(TileSheet& sheet, ByteAt byte_at) {
    SDL_Surface* made = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 8, SDL_PIXELFORMAT_INDEX8);
    if (made == nullptr) {
        return false;
    }
    auto* p = static_cast<std::uint8_t*>(made->pixels);
    for (int k = 0; k < kSide * kSide; ++k) {
        p[k] = byte_at(k);
    }
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("zarvo-images-test-" + std::to_string(getpid()) + ".bmp");
    const int saved = SDL_SaveBMP(made, file.c_str());
    SDL_FreeSurface(made);
    if (saved != 0) {
        return false;
    }
    const bool loaded = load_bmp(sheet, file.c_str(), kSide, check_picture_surface).empty();
    std::filesystem::remove(file);
    return loaded;
}

TEST(FillFromSheet, SingleBrightPixelAtTopLeft) {
    TileSheet sheet;
    ASSERT_TRUE(round_trip_picture(sheet, [](int k) -> std::uint8_t { return k == 0 ? 255 : 0; }))
        << SDL_GetError();
    ASSERT_EQ(sheet.pitch, kSide);
    ASSERT_EQ(sheet.pixels.size(), static_cast<std::size_t>(kSide * kSide));
    ComplexGrid grid(kSide, kSide);
    poison(grid);
    fill_from_sheet(grid, sheet);
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        ASSERT_EQ(bits(grid.samples[k].re), bits(k == 0 ? 1.0f : 0.0f)) << k;
        ASSERT_EQ(bits(grid.samples[k].im), 0u) << k;
    }
}

TEST(FillFromSheet, EveryByteValueDividedBy255InPlace) {
    // Byte k is (k * 7 + k / 512) mod 256: every value occurs, in every row
    // at a different column, so a transposed or shifted read shows.
    const auto byte_at = [](int k) { return static_cast<std::uint8_t>(k * 7 + k / kSide); };
    TileSheet sheet;
    ASSERT_TRUE(round_trip_picture(sheet, byte_at)) << SDL_GetError();
    ComplexGrid grid(kSide, kSide);
    poison(grid);
    fill_from_sheet(grid, sheet);
    for (int i = 0; i < kSide; ++i) {
        for (int j = 0; j < kSide; ++j) {
            const int k = j + i * kSide;
            // A division, which differs from a multiplication by 1/255 for
            // 126 of the 256 byte values.
            const float want = static_cast<float>(byte_at(k)) / 255.0f;
            ASSERT_EQ(bits(grid.samples[k].re), bits(want)) << i << ", " << j;
            ASSERT_EQ(bits(grid.samples[k].im), 0u);
        }
    }
    // Worked by hand: 3 / 255 is 0.0117647058..., whose nearest float is
    // 0x3c40c0c1 (3 times the float of 1/255 would round up to 0x3c40c0c2);
    // 128 / 255 = 0.50196078... gives 0x3f008081.
    const struct {
        std::uint8_t byte;
        std::uint32_t bits;
    } worked[] = {{3, 0x3c40c0c1u}, {128, 0x3f008081u}, {255, 0x3f800000u}, {0, 0u}};
    for (const auto& w : worked) {
        int k = 0;
        while (byte_at(k) != w.byte) {
            ++k;
        }
        EXPECT_EQ(bits(grid.samples[k].re), w.bits) << "byte " << int{w.byte};
    }
}

TEST(PictureGenerators, EachReadsItsOwnSheetAndIgnoresThePhase) {
    struct Case {
        TileSheet* sheet;
        void (*generator)(float, ComplexGrid&);
        std::uint8_t value;
    };
    const Case cases[] = {{&ostrel_sheet, gen_ostrel_image, 10},
                          {&vhs_sheet, gen_vhs_image, 20},
                          {&sierpinsky_sheet, gen_sierpinsky_image, 30}};
    for (const Case& c : cases) {
        const std::uint8_t value = c.value;
        ASSERT_TRUE(round_trip_picture(*c.sheet, [value](int) { return value; })) << SDL_GetError();
    }
    ComplexGrid grid(kSide, kSide);
    for (const Case& c : cases) {
        for (const float phase : {0.0f, 0.5f, 0.999f}) {
            poison(grid);
            c.generator(phase, grid);
            const float want = static_cast<float>(c.value) / 255.0f;
            for (std::int64_t k = 0; k < grid.size(); ++k) {
                ASSERT_EQ(grid.samples[k].re, want) << int{c.value} << " " << k;
                ASSERT_EQ(bits(grid.samples[k].im), 0u);
            }
        }
    }
    for (const Case& c : cases) {
        release_sheet(*c.sheet);
    }
}

}  // namespace
