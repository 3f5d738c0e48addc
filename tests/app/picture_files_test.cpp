// The user's picture into a picture sheet: tiny pictures made here, written
// as PNG files and read back by load_user_picture, against greys and
// fitted rows worked out by hand.
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>

#include <cstdint>
#include <string>
#include <vector>

#include "app/picture_files.hpp"

namespace {

struct Rgba {
    std::uint8_t r, g, b, a;
};

// Writes a width x height RGBA picture as a PNG file (libpng's simplified
// writer) in a fresh folder and returns its path.
std::string write_png(const std::vector<Rgba>& pixels, int width, int height) {
    char dir[] = "/tmp/zarvo-picture-XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/picture.png";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    EXPECT_NE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr), 0)
        << image.message;
    return path;
}

// The sheet's grey at (row, column).
int grey_at(const TileSheet& sheet, int row, int column) {
    return sheet.pixels[static_cast<std::size_t>(row) * sheet.pitch + column];
}

TileSheet load(const std::string& path) {
    TileSheet sheet;
    const std::string error = load_user_picture(path, sheet);
    EXPECT_EQ(error, "");
    EXPECT_EQ(sheet.width, 512);
    EXPECT_EQ(sheet.height, 512);
    EXPECT_EQ(sheet.pitch, 512);
    EXPECT_EQ(sheet.pixels.size(), 512u * 512u);
    return sheet;
}

TEST(UserPicture, ThreeByTwoColoursGreyedFittedAndCentred) {
    // Greys by (299 R + 587 G + 114 B + 500) / 1000: red 76, green 150,
    // blue 29, white 255, black 0, (100, 150, 200) 141.
    const std::vector<Rgba> pixels = {{255, 0, 0, 255},     {0, 255, 0, 255}, {0, 0, 255, 255},
                                      {255, 255, 255, 255}, {0, 0, 0, 255},   {100, 150, 200, 255}};
    TileSheet sheet = load(write_png(pixels, 3, 2));
    ASSERT_EQ(sheet.pixels.size(), 512u * 512u);
    // 3 x 2 fits as 512 x 341 (512 * 2 / 3 = 341.3), rows 85 to 425.
    for (int column : {0, 200, 511}) {
        EXPECT_EQ(grey_at(sheet, 84, column), 0) << "margin above, column " << column;
        EXPECT_EQ(grey_at(sheet, 426, column), 0) << "margin below, column " << column;
    }
    // A source pixel spans 512 / 3 = 170.7 columns and 170.5 rows.
    EXPECT_EQ(grey_at(sheet, 85, 0), 76);
    EXPECT_EQ(grey_at(sheet, 85, 300), 150);
    EXPECT_EQ(grey_at(sheet, 85, 511), 29);
    EXPECT_EQ(grey_at(sheet, 425, 0), 255);
    EXPECT_EQ(grey_at(sheet, 425, 300), 0);
    EXPECT_EQ(grey_at(sheet, 425, 511), 141);
    // Sheet column 170 takes 2/3 of column 0 and 1/3 of column 1; sheet row
    // 85 + 170 half of each source row: (2 * 76 + 150 + 2 * 255 + 0) / 6 =
    // 135.3.
    EXPECT_EQ(grey_at(sheet, 85 + 170, 170), 135);
    release_sheet(sheet);
}

TEST(UserPicture, OnePixelWithAlphaOverBlackFillsTheSheet) {
    // Y = (299 * 200 + 587 * 100 + 114 * 50 + 500) / 1000 = 124; over black
    // at alpha 128: (124 * 128 + 127) / 255 = 62.7, so 62.
    TileSheet sheet = load(write_png({{200, 100, 50, 128}}, 1, 1));
    ASSERT_EQ(sheet.pixels.size(), 512u * 512u);
    for (int row : {0, 255, 511}) {
        for (int column : {0, 300, 511}) {
            EXPECT_EQ(grey_at(sheet, row, column), 62) << row << ", " << column;
        }
    }
    release_sheet(sheet);
}

TEST(UserPicture, StripesHalvedIntoKnownRows) {
    // 1024 x 256, columns white and black by threes: the sheet is 512 x 128
    // from row 192, each pixel the mean of two columns (and two equal rows):
    // white + white, white + black (127.5, rounded up), black + black.
    std::vector<Rgba> pixels(1024 * 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const std::uint8_t v = (x / 3) % 2 == 0 ? 255 : 0;
            pixels[static_cast<std::size_t>(y) * 1024 + x] = {v, v, v, 255};
        }
    }
    TileSheet sheet = load(write_png(pixels, 1024, 256));
    ASSERT_EQ(sheet.pixels.size(), 512u * 512u);
    const int expected[3] = {255, 128, 0};
    for (int row : {192, 250, 319}) {
        for (int column = 0; column < 512; ++column) {
            ASSERT_EQ(grey_at(sheet, row, column), expected[column % 3])
                << "row " << row << ", column " << column;
        }
    }
    for (int column = 0; column < 512; ++column) {
        ASSERT_EQ(grey_at(sheet, 191, column), 0) << column;
        ASSERT_EQ(grey_at(sheet, 320, column), 0) << column;
    }
    release_sheet(sheet);
}

}  // namespace
