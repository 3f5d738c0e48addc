#include "display/canvas.hpp"

#include <cassert>

#include "base/frame_buffer.hpp"

void init_canvas_buffer(Canvas& canvas, int width) {
    assert(width > 0);
    canvas.width = width;
    canvas.window_width = width;
    canvas.height = 800;
    canvas.window_height = 800;
    const std::size_t bytes = static_cast<std::size_t>(width) * 2400;
    canvas.buffer = FrameBuffer(bytes);
    canvas.pixels = static_cast<std::uint8_t*>(canvas.buffer.data);
    for (std::size_t i = 0; i < bytes; i += 3) {
        canvas.pixels[i] = 50;
        canvas.pixels[i + 1] = 0;
        canvas.pixels[i + 2] = 0;
    }
}

Canvas canvas_without_window(int width) {
    Canvas canvas;
    init_canvas_buffer(canvas, width);
    return canvas;
}

void draw_panel_frame(Canvas& canvas, int x, const RgbColor& colour) {
    constexpr int kTop = kPanelTop - 1;
    // 515 pixels from first to last: the panel, and a free line on either
    // side at the bottom and the right.
    constexpr int kLast = kPanelSide + 2;
    assert(x >= 0 && x + kLast < canvas.width && canvas.height > kTop + kLast);
    for (int k = 0; k <= kLast; ++k) {
        put_colour(canvas, x + k, kTop, colour);
        put_colour(canvas, x + k, kTop + kLast, colour);
        put_colour(canvas, x, kTop + k, colour);
        put_colour(canvas, x + kLast, kTop + k, colour);
    }
}
