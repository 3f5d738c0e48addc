// The fuzz body: arbitrary bytes taken as one of zarvo's BMP files and run
// along the path from a file's bytes to the pixels the program reads. The
// bytes are loaded twice from memory (SDL_RWFromConstMem), as the program
// loads its files:
//
// - as a picture, into the program-wide Ostrel sheet: the size claim, SDL's
//   decoder, the picture check and, when it passes, the picture generator
//   filling a 512 x 512 grid;
// - as the font: the size claim, the decoder, the font check, and text drawn
//   with the font's key and tint onto a small canvas, past all four edges,
//   from whatever sheet the decoder gave (the check left out, so that the
//   drawing meets every layout).
//
// Every sheet is released before the body returns, so nothing carries over
// from one input to the next and the leak checker sees every surface.
// Contract violations abort, so the fuzzer keeps the input like a crash.
//
// The same body runs in every build over the committed inputs (replay_main.cpp)
// and, built with -DZARVO_FUZZ=ON, under libFuzzer (see tests/fuzz/CMakeLists.txt).
#include <SDL.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "display/canvas.hpp"
#include "display/sheet_bmp.hpp"
#include "display/tile_sheet.hpp"
#include "inputs/images.hpp"
#include "inputs/picture_sheets.hpp"
#include "spectrum/complex_grid.hpp"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The loaders log every refusal; formatting still runs, only the output goes.
void discard_log(void* /*userdata*/, int /*category*/, SDL_LogPriority /*priority*/,
                 const char* /*message*/) {}

void require_loaded_within_limits(const TileSheet& sheet, int cell_size) {
    require(sheet.width > 0 && sheet.height > 0);
    require(sheet.width <= kMaxSheetSide && sheet.height <= kMaxSheetSide);
    require(sheet.pitch > 0 &&
            sheet.pixels.size() == static_cast<std::size_t>(sheet.pitch) * sheet.height);
    require(sheet.cell_width == cell_size && sheet.cell_height == cell_size);
    require(sheet.cells_per_row == sheet.width / cell_size);
}

void require_empty(const TileSheet& sheet) {
    require(sheet.pixels.empty() && sheet.width == 0 && sheet.cells_per_row == 0);
}

void run_as_picture(const std::uint8_t* data, std::size_t size) {
    const char* name = "ostrel-512x512.bmp";
    if (!load_bmp_rw(ostrel_sheet, SDL_RWFromConstMem(data, static_cast<int>(size)), name, 512,
                     check_picture_surface)
             .empty()) {
        require_empty(ostrel_sheet);
        return;
    }
    require_loaded_within_limits(ostrel_sheet, 512);
    ComplexGrid grid(512, 512);
    gen_ostrel_image(0.0f, grid);
    // Byte k of the pixels, divided by 255, is sample k: read inside the
    // buffer only because the check held the picture to 512 rows of 512.
    const std::uint8_t* bytes = ostrel_sheet.pixels.data();
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        require(grid.samples[k].re == static_cast<float>(bytes[k]) / 255.0f);
        require(grid.samples[k].im == 0.0f);
    }
    release_sheet(ostrel_sheet);
}

void run_as_font(const std::uint8_t* data, std::size_t size) {
    const char* name = "font2.bmp";
    TileSheet checked;
    if (load_bmp_rw(checked, SDL_RWFromConstMem(data, static_cast<int>(size)), name, 8,
                    check_font_surface)
            .empty()) {
        require_loaded_within_limits(checked, 8);
        require(checked.pitch >= 3 * checked.width);
    } else {
        require_empty(checked);
    }
    TileSheet font;
    if (!load_bmp_rw(font, SDL_RWFromConstMem(data, static_cast<int>(size)), name, 8, nullptr)
             .empty()) {
        require_empty(font);
        return;
    }
    require_loaded_within_limits(font, 8);
    // The program draws only from a font the check accepted, but draw_glyph
    // promises to stay inside any surface and any canvas: text is drawn from
    // every sheet that loaded. Key and tint as the program sets them.
    font.key[0] = font.key[1] = font.key[2] = 0;
    font.key_enabled = 1;
    font.tint[0] = 1.0f;
    font.tint[1] = 0.1f;
    font.tint[2] = 1.0f;

    constexpr int kWidth = 40;
    constexpr int kHeight = 20;
    constexpr std::uint8_t kUntouched = 0xa5;
    // Exactly the canvas's bytes, so a write past them is a heap overflow.
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 3, kUntouched);
    Canvas canvas;
    canvas.width = kWidth;
    canvas.height = kHeight;
    canvas.pixels = pixels.data();

    char every_code[256];
    for (int code = 0; code < 256; ++code) {
        every_code[code] = static_cast<char>(code);
    }
    font.draw_text(canvas, -3, 0, every_code, sizeof every_code);           // left and top edges
    font.draw_text(canvas, 1, 1, "60.0 fps, phase 0.125");                  // as the rate line
    font.draw_text(canvas, kWidth - 12, kHeight - 5, every_code + 32, 95);  // right, bottom

    // Text never writes the last canvas row.
    for (int x = 0; x < kWidth; ++x) {
        const std::uint8_t* p = pixels.data() + pixel_offset(canvas, x, kHeight - 1);
        require(p[0] == kUntouched && p[1] == kUntouched && p[2] == kUntouched);
    }
    release_sheet(font);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    SDL_LogSetOutputFunction(discard_log, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // SDL_RWFromConstMem takes an int size; the files in use are far smaller.
    if (size > INT_MAX) {
        return 0;
    }
    run_as_picture(data, size);
    run_as_font(data, size);
    return 0;
}
