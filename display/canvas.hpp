// The canvas: the window's 24-bit pixel buffer in main memory, with the
// window, renderer and GL objects that show it.
//
// Pixel layout: row-major, rows packed (a row is exactly 3 * width bytes),
// row 0 at the top, column 0 at the left. Pixel (x, y) is the three bytes at
// pixels + 3 * (y * width + x): red, green, blue. That is also the order the
// buffer is handed to OpenGL (GL_RGB, GL_UNSIGNED_BYTE). Every drawing
// routine writes bytes by this formula; there is no put-pixel call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/frame_buffer.hpp"

struct SDL_Window;
struct SDL_Renderer;

// A draw colour; whoever writes it into the canvas stores the low eight bits
// of each field, in the order r, g, b.
struct RgbColor {
    std::int32_t r;
    std::int32_t g;
    std::int32_t b;
};

// What Canvas::create had to say, in the order it happened, for the entry
// point to print and log: status lines for standard output, error lines for
// the error log (each line as it is to be logged, with "%s"), and how it
// ended.
struct CanvasReport {
    enum class Outcome {
        kReady,          // the window shows the canvas
        kNoContext,      // no OpenGL context: nothing else was tried
        kShadersFailed,  // a shader did not compile or link
    };
    struct Line {
        bool error;  // the error log, else standard output
        std::string text;
    };
    Outcome outcome = Outcome::kReady;
    std::vector<Line> lines;
};

struct Canvas {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::uint32_t program = 0;      // linked shader program (GL name)
    std::uint32_t texture = 0;      // texture that receives the canvas (GL name)
    std::int32_t font_uniform = 0;  // location of the sampler uniform "font"
    int window_width = 0;
    int window_height = 0;
    std::uint8_t* pixels = nullptr;  // width * height * 3 bytes, in `buffer`
    int width = 0;
    int height = 0;
    FrameBuffer buffer;  // owns `pixels`: a canvas releases its buffer itself

    // Opens the window (title, at (10, 28), width x 800), creates the
    // renderer, the GL context, GLEW, says the three status lines, builds
    // the shader program and the texture (initial content: dark red). Logs
    // nothing, prints nothing and leaves SDL running: the report holds what
    // is to be said and how it ended. Defined with the presenter
    // (display/presenter.cpp).
    CanvasReport create(int width, const char* title);

    // Uploads the whole buffer into the texture, draws it over the window and
    // swaps. Tests nothing.
    void present();
};

// The canvas without a window: sizes (height 800), a buffer of width * 2400
// bytes, every pixel dark red (50, 0, 0). Used by Canvas::create and by
// everything that draws without a window. The buffer is a frame buffer (see
// base/frame_buffer.hpp), owned by the canvas; a buffer it had before
// is released.
void init_canvas_buffer(Canvas& canvas, int width);

// A canvas of `width` x 800 pixels without a window, as init_canvas_buffer
// makes it.
Canvas canvas_without_window(int width);

// Byte offset of pixel (x, y).
inline std::size_t pixel_offset(const Canvas& canvas, int x, int y) {
    return 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                static_cast<std::size_t>(x));
}

// Writes the low eight bits of r, g, b into pixel (x, y). No clipping.
inline void put_colour(Canvas& canvas, int x, int y, const RgbColor& colour) {
    std::uint8_t* p = canvas.pixels + pixel_offset(canvas, x, y);
    p[0] = static_cast<std::uint8_t>(colour.r);
    p[1] = static_cast<std::uint8_t>(colour.g);
    p[2] = static_cast<std::uint8_t>(colour.b);
}

// Every panel is kPanelSide pixels square with its top row at kPanelTop; the
// panels differ only in their left column.
constexpr int kPanelSide = 512;
constexpr int kPanelTop = 21;

// The one-pixel frame round the panel whose left column is x + 1: rows
// kPanelTop - 1 and kPanelTop + kPanelSide + 1 (20 and 534), columns x and
// x + kPanelSide + 2, 515 x 515 pixels in all (a free line between the panel
// and the frame at the right and the bottom).
// Precondition: x >= 0, x + 514 < width, height > 534 (no clipping).
void draw_panel_frame(Canvas& canvas, int x, const RgbColor& colour);
