// The page's entry: the WebAssembly module's functions, which the page's
// script (web/zarvo.js) calls. The frame is composed by the program's own
// code (compose_frame over AppState); the page brings the keys, the clock,
// the user's picture and the presentation. The four sheets are those the
// program reads, decoded at build time (web/page_sheets.hpp).
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/app_state.hpp"
#include "app/compose_frame.hpp"
#include "app/frame_layout.hpp"
#include "app/ticks.hpp"
#include "files/user_picture.hpp"
#include "inputs/grey_sheet.hpp"
#include "inputs/images.hpp"
#include "inputs/patterns.hpp"
#include "web/page_sheets.hpp"

namespace {

// Everything the page keeps between calls: the entry's state, as `main`
// keeps it in a local, and the clocks.
struct Page {
    AppState app;
    FixedClock fixed;           // states named in the address
    std::uint32_t live_ms = 0;  // the page's own clock, set before each frame
    // A user's picture on its way in: its greys, filled a band of rows at a
    // time from RGBA bytes the script copies into `rgba`.
    int picture_width = 0;
    int picture_height = 0;
    std::vector<std::uint8_t> greys;
    std::vector<std::uint8_t> rgba;
};

Page* page = nullptr;

std::uint32_t read_live_clock(void* context) {
    return static_cast<Page*>(context)->live_ms;
}

void take_sheet(TileSheet& sheet, const PageSheet& from) {
    sheet.width = from.width;
    sheet.height = from.height;
    sheet.pitch = from.pitch;
    sheet.pixels.assign(from.bytes, from.bytes + from.size);
    sheet.cell_width = from.cell_size;
    sheet.cell_height = from.cell_size;
    sheet.cells_per_row = from.width / from.cell_size;
}

// Whether `bytes` can be had: the module is built without exceptions, so a
// failed allocation inside a vector would end it. malloc answers null
// instead (the heap grows up to its limit); what it gave back is there for
// the vector that asks next.
bool memory_for(std::size_t bytes) {
    void* probe = std::malloc(bytes);
    std::free(probe);
    return probe != nullptr;
}

// The sheet of picture test `select` (0 Ostrel, 1 Sierpinsky, 2 VHS).
TileSheet& picture_sheet(int select) {
    return select == 0 ? ostrel_sheet : select == 1 ? sierpinsky_sheet : vhs_sheet;
}

}  // namespace

extern "C" {

// The start-up of the program in its order, without a window: grids and
// catalogue, the layout (condensed when `condensed` is non-zero), the four
// sheets, the dark-red canvas and the overlay. The clock moves `fixed_ms`
// per read when fixed_ms >= 0 (as zarvo-render's --ms-per-frame), else it is
// the page's, handed to each zarvo_frame. A second call starts afresh, with
// the pictures as they are.
EMSCRIPTEN_KEEPALIVE int zarvo_start(int condensed, int fixed_ms) {
    const bool first = page == nullptr;
    if (!first) {
        delete page;
    }
    page = new Page;
    AppState& app = page->app;
    start_grids_and_catalogue(app);
    choose_layout(app, condensed != 0 ? 1100 : 1640);
    if (first) {
        take_sheet(ostrel_sheet, kPageSheets[0]);
        take_sheet(vhs_sheet, kPageSheets[1]);
        take_sheet(sierpinsky_sheet, kPageSheets[2]);
    }
    take_sheet(app.font, kPageSheets[3]);
    init_canvas_buffer(app.canvas, app.layout_width);
    TickSource ticks{read_live_clock, page};
    if (fixed_ms >= 0) {
        page->fixed = FixedClock{0, static_cast<std::uint32_t>(fixed_ms)};
        ticks = fixed_ticks(page->fixed);
    }
    start_overlay(app, ticks);
    return 0;
}

// Where a state named in the address starts: the selection, the panel and
// the number of the frame before the first one composed.
EMSCRIPTEN_KEEPALIVE void zarvo_set_state(int selection, int show_magnitude, int frame_count) {
    page->app.selection = selection;
    page->app.show_magnitude = show_magnitude != 0;
    page->app.frame_count = frame_count;
}

// One frame: the keys of this poll (step -1, 0 or +1; toggle 0 or 1), the
// page's clock in milliseconds (ignored by a fixed clock), then
// compose_frame. The canvas holds the frame afterwards.
EMSCRIPTEN_KEEPALIVE void zarvo_frame(int step, int toggle, double now_ms) {
    page->live_ms = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now_ms));
    page->app.input.step = step;
    page->app.input.toggle = toggle != 0;
    compose_frame(page->app);
}

// A tap on a menu label: that test is shown from the next frame on.
EMSCRIPTEN_KEEPALIVE void zarvo_select(int selection) {
    if (selection >= 0 && selection < kTestCount) {
        page->app.selection = selection;
    }
}

// The number of tests, and where the page's taps land (app/frame_layout.hpp):
// the test whose menu row holds canvas pixel (x, y), or -1; whether (x, y)
// lies on the condensed layout's spectrum panel.
EMSCRIPTEN_KEEPALIVE int zarvo_test_count() {
    return kTestCount;
}
// Test `entry`'s menu label, zero-terminated (the catalogue's own).
EMSCRIPTEN_KEEPALIVE const char* zarvo_test_label(int entry) {
    return entry >= 0 && entry < kTestCount ? page->app.catalogue[entry].label : "";
}
EMSCRIPTEN_KEEPALIVE int zarvo_menu_entry_at(int x, int y) {
    return menu_entry_at(x, y);
}
EMSCRIPTEN_KEEPALIVE int zarvo_on_condensed_spectrum(int x, int y) {
    return on_condensed_spectrum(x, y) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE std::uint8_t* zarvo_canvas_pixels() {
    return page->app.canvas.pixels;
}
EMSCRIPTEN_KEEPALIVE int zarvo_canvas_width() {
    return page->app.canvas.width;
}
EMSCRIPTEN_KEEPALIVE int zarvo_canvas_height() {
    return page->app.canvas.height;
}
EMSCRIPTEN_KEEPALIVE int zarvo_selection() {
    return page->app.selection;
}
EMSCRIPTEN_KEEPALIVE int zarvo_show_magnitude() {
    return page->app.show_magnitude ? 1 : 0;
}

// A user's picture, `width` x `height` pixels, in bands of rows: begin, then
// for each band copy its RGBA bytes (4 a pixel, rows packed) to
// zarvo_picture_rows(rows) and call zarvo_picture_grey(first_row, rows),
// then zarvo_picture_end. Returns 0, 1 for a size beyond 16384 a side, 2
// when the memory is not there.
EMSCRIPTEN_KEEPALIVE int zarvo_picture_begin(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
        return 1;
    }
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (!memory_for(bytes)) {
        return 2;
    }
    page->picture_width = width;
    page->picture_height = height;
    page->greys.assign(bytes, 0);
    return 0;
}

// Room for `rows` rows of RGBA bytes; null when the memory is not there.
EMSCRIPTEN_KEEPALIVE std::uint8_t* zarvo_picture_rows(int rows) {
    const std::size_t bytes = static_cast<std::size_t>(rows) * page->picture_width * 4;
    if (bytes > page->rgba.size() && !memory_for(bytes)) {
        return nullptr;
    }
    page->rgba.resize(bytes);
    return page->rgba.data();
}

// Greys rows first_row .. first_row + rows - 1 from the RGBA bytes, as
// zarvo-render greys a decoded picture: grey_of_rgba of each pixel.
EMSCRIPTEN_KEEPALIVE void zarvo_picture_grey(int first_row, int rows) {
    const std::size_t width = static_cast<std::size_t>(page->picture_width);
    for (int row = 0; row < rows; ++row) {
        const std::uint8_t* p = page->rgba.data() + static_cast<std::size_t>(row) * width * 4;
        std::uint8_t* out = page->greys.data() + static_cast<std::size_t>(first_row + row) * width;
        for (std::size_t x = 0; x < width; ++x, p += 4) {
            out[x] = grey_of_rgba(p[0], p[1], p[2], p[3]);
        }
    }
}

// Fits the greys into the sheet of picture test `select` (0, 1 or 2), as
// zarvo-render --picture does, and lets the memory go; any other `select`
// only lets it go (a picture given up half way).
EMSCRIPTEN_KEEPALIVE void zarvo_picture_end(int select) {
    if (select >= 0 && select <= 2 && !page->greys.empty()) {
        put_picture(picture_sheet(select),
                    fit_to_sheet(page->greys, page->picture_width, page->picture_height));
    }
    page->greys = {};
    page->rgba = {};
}

}  // extern "C"
