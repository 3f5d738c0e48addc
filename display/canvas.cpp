#include "display/canvas.hpp"

#include <cassert>

#include "spectrum/frame_buffer.hpp"

void init_canvas_buffer(Canvas& canvas, int width) {
    assert(width > 0);
    canvas.width = width;
    canvas.window_width = width;
    canvas.height = 800;
    canvas.window_height = 800;
    const std::size_t bytes = static_cast<std::size_t>(width) * 2400;
    canvas.pixels = static_cast<std::uint8_t*>(allocate_frame_buffer(bytes));
    for (std::size_t i = 0; i < bytes; i += 3) {
        canvas.pixels[i] = 50;
        canvas.pixels[i + 1] = 0;
        canvas.pixels[i + 2] = 0;
    }
}

void release_canvas_buffer(Canvas& canvas) {
    release_frame_buffer(canvas.pixels, static_cast<std::size_t>(canvas.width) * 2400);
    canvas.pixels = nullptr;
}

void draw_panel_frame(Canvas& canvas, int x, const RgbColor& colour) {
    assert(x >= 0 && x + 514 < canvas.width && canvas.height > 534);
    for (int k = 0; k <= 514; ++k) {
        put_colour(canvas, x + k, 20, colour);
        put_colour(canvas, x + k, 534, colour);
        put_colour(canvas, x, 20 + k, colour);
        put_colour(canvas, x + 514, 20 + k, colour);
    }
}
