// The canvas buffer and the panel frame, checked against a plain model.
#include <gtest/gtest.h>

#include <vector>

#include "display/canvas.hpp"

namespace {

TEST(Canvas, BufferIsDarkRedWithPackedRows) {
    for (const int width : {1640, 1100}) {
        const Canvas c = canvas_without_window(width);
        EXPECT_EQ(c.width, width);
        EXPECT_EQ(c.window_width, width);
        EXPECT_EQ(c.height, 800);
        EXPECT_EQ(c.window_height, 800);
        for (int i = 0; i < width * 800; ++i) {
            ASSERT_EQ(c.pixels[3 * i], 50);
            ASSERT_EQ(c.pixels[3 * i + 1], 0);
            ASSERT_EQ(c.pixels[3 * i + 2], 0);
        }
        // Pixel (x, y) at 3 * (y * width + x): the bottom-right pixel ends the buffer.
        EXPECT_EQ(pixel_offset(c, 0, 0), 0u);
        EXPECT_EQ(pixel_offset(c, 1, 0), 3u);
        EXPECT_EQ(pixel_offset(c, 0, 1), static_cast<std::size_t>(3 * width));
        EXPECT_EQ(pixel_offset(c, width - 1, 799) + 3, static_cast<std::size_t>(width) * 2400);
    }
}

TEST(Canvas, PutColourStoresLowEightBits) {
    Canvas canvas = canvas_without_window(1100);
    put_colour(canvas, 7, 3, RgbColor{256 + 17, -63, 255});
    const std::uint8_t* p = canvas.pixels + 3 * (3 * 1100 + 7);
    EXPECT_EQ(p[0], 17);
    EXPECT_EQ(p[1], 193);
    EXPECT_EQ(p[2], 255);
}

TEST(PanelFrame, SetsExactlyTheFourLines) {
    for (const int x : {20, 554, 1088}) {
        Canvas c = canvas_without_window(1640);
        draw_panel_frame(c, x, RgbColor{255, 256 + 7, -1});
        for (int y = 0; y < 800; ++y) {
            for (int px = 0; px < 1640; ++px) {
                const bool on_row = (y == 20 || y == 534) && px >= x && px <= x + 514;
                const bool on_col = (px == x || px == x + 514) && y >= 20 && y <= 534;
                const std::uint8_t* p = c.pixels + 3 * (y * 1640 + px);
                if (on_row || on_col) {
                    ASSERT_EQ(p[0], 255) << x << " " << px << "," << y;
                    ASSERT_EQ(p[1], 7);
                    ASSERT_EQ(p[2], 255);
                } else {
                    ASSERT_EQ(p[0], 50) << x << " " << px << "," << y;
                    ASSERT_EQ(p[1], 0);
                    ASSERT_EQ(p[2], 0);
                }
            }
        }
    }
}

}  // namespace
