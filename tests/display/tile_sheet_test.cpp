// Glyphs and text against a plain model of the canvas, sheets loaded from
// BMP files, and the font check.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "display/sheet_bmp.hpp"
#include "display/tile_sheet.hpp"

namespace {

constexpr int kCanvasWidth = 64;  // height is always 800

struct Rgb {
    std::uint8_t r, g, b;
};

// The colour of sheet pixel (px, py): varied in every channel, with black
// (the font's key) on a diagonal pattern and pure white at one spot.
Rgb sheet_colour(int px, int py) {
    if ((px + py) % 5 == 0) {
        return {0, 0, 0};
    }
    if (px == 9 && py == 33) {
        return {255, 255, 255};
    }
    return {static_cast<std::uint8_t>(px * 5 + py * 3), static_cast<std::uint8_t>(px ^ (py * 7)),
            static_cast<std::uint8_t>(px + py * 11 + 1)};
}

// A sheet of three bytes per pixel, blue, green, red, in rows padded to a
// multiple of four bytes, as SDL loads a 24-bit BMP. A width of 130 gives
// rows of 390 bytes padded to a pitch of 392 and 16 cells of 8 per row.
TileSheet make_sheet(int w, int h) {
    TileSheet sheet;
    sheet.width = w;
    sheet.height = h;
    sheet.pitch = (3 * w + 3) / 4 * 4;
    sheet.pixels.assign(static_cast<std::size_t>(sheet.pitch) * h, 0);
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            const Rgb c = sheet_colour(px, py);
            std::uint8_t* p = sheet.pixels.data() + py * sheet.pitch + 3 * px;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
    sheet.cell_width = sheet.cell_height = 8;
    sheet.cells_per_row = w / 8;
    return sheet;
}

// The same pixels as an SDL surface, to be written as a BMP file.
SDL_Surface* make_sheet_surface(int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_BGR24);
    if (s == nullptr) {
        return nullptr;
    }
    auto* base = static_cast<std::uint8_t*>(s->pixels);
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            const Rgb c = sheet_colour(px, py);
            std::uint8_t* p = base + py * s->pitch + 3 * px;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
    return s;
}

struct Fixture {
    Canvas canvas;
    TileSheet sheet;
    std::vector<std::uint8_t> model;  // what the canvas should hold

    explicit Fixture(int sheet_w = 130, int sheet_h = 64) {
        init_canvas_buffer(canvas, kCanvasWidth);
        model.assign(canvas.pixels, canvas.pixels + kCanvasWidth * 2400);
        sheet = make_sheet(sheet_w, sheet_h);
    }

    // The model of one glyph: plain per-pixel rules, colours from sheet_colour.
    void model_glyph(int x, int y, int code) {
        const int cells = sheet.cells_per_row;
        const int cx = code % cells;
        const int cy = code / cells;
        if ((cy + 1) * 8 > sheet.height) {
            return;
        }
        for (int i = 0; i < 8; ++i) {
            for (int j = 0; j < 8; ++j) {
                const int dx = x + j;
                const int dy = y + i - 1;
                if (dx < 0 || dx >= canvas.width || dy < 0 || dy >= canvas.height - 1) {
                    continue;
                }
                const Rgb c = sheet_colour(cx * 8 + j, cy * 8 + i);
                if (sheet.key_enabled && c.r == sheet.key[0] && c.g == sheet.key[1] &&
                    c.b == sheet.key[2]) {
                    continue;
                }
                const std::size_t at = 3 * (static_cast<std::size_t>(dy) * canvas.width + dx);
                model[at + 0] = static_cast<std::uint8_t>(static_cast<int>(c.r * sheet.tint[0]));
                model[at + 1] = static_cast<std::uint8_t>(static_cast<int>(c.g * sheet.tint[1]));
                model[at + 2] = static_cast<std::uint8_t>(static_cast<int>(c.b * sheet.tint[2]));
            }
        }
    }

    void expect_canvas_matches_model(const std::string& what) const {
        for (int y = 0; y < canvas.height; ++y) {
            for (int x = 0; x < canvas.width; ++x) {
                const std::size_t at = 3 * (static_cast<std::size_t>(y) * canvas.width + x);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(canvas.pixels[at + c], model[at + c])
                        << what << ": pixel (" << x << ", " << y << ") channel " << c;
                }
            }
        }
    }

    const std::uint8_t* pixel(int x, int y) const {
        return canvas.pixels + pixel_offset(canvas, x, y);
    }
};

TEST(DrawGlyph, PlacementAndClippingAtEveryEdge) {
    struct Case {
        int x, y;
        const char* what;
    };
    const Case cases[] = {
        {20, 540, "inside"},
        {-3, 100, "left edge: columns 3 to 7 only"},
        {-8, 100, "entirely left"},
        {kCanvasWidth - 5, 100, "right edge: columns 0 to 4 only"},
        {kCanvasWidth, 100, "entirely right"},
        {10, 0, "y 0: cell row 0 above the canvas"},
        {10, 1, "y 1: cell row 0 on canvas row 0"},
        {10, -6, "only cell row 7, on row 0"},
        {10, -7, "entirely above"},
        {10, 800 - 8, "last cell row on row 798"},
        {10, 800 - 7, "last cell row would be on row 799: skipped"},
        {10, 800, "only cell row 0, on row 799: skipped"},
        {-5, 799, "corner"},
    };
    for (const Case& c : cases) {
        for (const int code : {65, 0, 127}) {
            Fixture f;
            f.sheet.draw_glyph(f.canvas, c.x, c.y, static_cast<std::uint8_t>(code));
            f.model_glyph(c.x, c.y, code);
            f.expect_canvas_matches_model(std::string(c.what) + " code " + std::to_string(code));
        }
    }
}

TEST(DrawGlyph, HandWorkedPlacementOfA) {
    // 'A' (65) is cell column 1, cell row 4 of a sheet 16 cells wide: its
    // source pixels are x 8..15, y 32..39. Drawn at (20, 540) it covers
    // columns 20..27 and rows 539..546. The sheet pixel (9, 33) is white.
    Fixture f;
    f.sheet.tint[0] = 1.0f;
    f.sheet.tint[1] = 0.1f;
    f.sheet.tint[2] = 1.0f;
    f.sheet.draw_glyph(f.canvas, 20, 540, 'A');
    const std::uint8_t* white = f.pixel(21, 540);
    EXPECT_EQ(white[0], 255);
    EXPECT_EQ(white[1], 25);  // 255 * 0.1f = 25.5, truncated
    EXPECT_EQ(white[2], 255);
    const std::uint8_t* first = f.pixel(20, 539);  // sheet (8, 32)
    const Rgb c = sheet_colour(8, 32);
    EXPECT_EQ(first[0], c.r);
    EXPECT_EQ(first[1], static_cast<std::uint8_t>(static_cast<int>(c.g * 0.1f)));
    EXPECT_EQ(first[2], c.b);
    const std::uint8_t* untouched = f.pixel(20, 547);
    EXPECT_EQ(untouched[0], 50);
}

TEST(DrawGlyph, KeyColourSkipsOnlyExactMatches) {
    // Black pixels: skipped with a black key, drawn with the key off or with
    // a key that differs in one channel.
    struct Case {
        std::uint8_t key[3];
        std::uint8_t enabled;
    };
    const Case cases[] = {
        {{0, 0, 0}, 1}, {{0, 0, 0}, 0}, {{0, 0, 1}, 1}, {{1, 0, 0}, 1}, {{255, 0, 255}, 1}};
    for (const Case& c : cases) {
        Fixture f;
        std::memcpy(f.sheet.key, c.key, 3);
        f.sheet.key_enabled = c.enabled;
        f.sheet.draw_glyph(f.canvas, 20, 100, 'A');
        f.model_glyph(20, 100, 'A');
        f.expect_canvas_matches_model("key");
        // Sheet (10, 35) is black (45 is a multiple of 5): canvas (22, 102).
        const std::uint8_t* p = f.pixel(22, 102);
        const bool skipped = c.enabled && c.key[0] == 0 && c.key[1] == 0 && c.key[2] == 0;
        EXPECT_EQ(p[0], skipped ? 50 : 0);
    }
}

TEST(DrawGlyph, TintPerChannelTruncatesAndKeepsLowEightBits) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float tint[3];
        Rgb white;  // what a white sheet pixel becomes
    };
    const Case cases[] = {
        {{1.0f, 0.1f, 1.0f}, {255, 25, 255}},
        {{0.0f, 0.0f, 0.0f}, {0, 0, 0}},
        {{0.5f, 0.25f, 0.999f}, {127, 63, 254}},
        {{2.0f, 1.5f, -1.0f}, {254, 126, 1}},  // 510, 382, -255: low eight bits
        // Beyond what a product can mean: NaN and infinities store 0, and a
        // product of 2^31 or more is a multiple of 256.
        {{nan, inf, 1e10f}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::memcpy(f.sheet.tint, c.tint, sizeof c.tint);
        f.sheet.draw_glyph(f.canvas, 20, 540, 'A');
        const std::uint8_t* p = f.pixel(21, 540);  // sheet (9, 33), white
        EXPECT_EQ(p[0], c.white.r) << c.tint[0];
        EXPECT_EQ(p[1], c.white.g) << c.tint[1];
        EXPECT_EQ(p[2], c.white.b) << c.tint[2];
    }
    // The channels are not swapped: the sheet stores B, G, R; the canvas R, G, B.
    Fixture f;
    f.sheet.tint[0] = 1.0f;
    f.sheet.tint[1] = 0.5f;
    f.sheet.tint[2] = 0.25f;
    f.sheet.draw_glyph(f.canvas, 3, 7, 37);
    f.model_glyph(3, 7, 37);
    f.expect_canvas_matches_model("tinted glyph");
}

TEST(DrawGlyph, CellsBeyondTheSurfaceAndEmptySheetsDrawNothing) {
    {
        // Two rows of 16 cells: codes 0..31 exist, 32 and up do not.
        Fixture f(130, 16);
        for (int code = 0; code < 256; ++code) {
            f.sheet.draw_glyph(f.canvas, (code % 6) * 10, 100 + code,
                               static_cast<std::uint8_t>(code));
            f.model_glyph((code % 6) * 10, 100 + code, code);
        }
        f.expect_canvas_matches_model("short sheet");
    }
    {
        // A sheet that is not 24-bit (one byte per pixel, 128 wide, pitch
        // 128): only cells whose three-byte reads stay inside a row are used.
        // Drawn under AddressSanitizer this shows any read past the buffer.
        Fixture f;
        TileSheet odd;
        odd.width = 128;
        odd.height = 16;
        odd.pitch = 128;
        odd.pixels.assign(128 * 16, 0);
        odd.cell_width = odd.cell_height = 8;
        odd.cells_per_row = 16;
        // Each code gets its own place: 8 glyphs per canvas row band.
        const auto place_x = [](int code) { return 8 * (code % 8); };
        const auto place_y = [](int code) { return 10 + 9 * (code / 8); };
        for (int code = 0; code < 256; ++code) {
            odd.draw_glyph(f.canvas, place_x(code), place_y(code), static_cast<std::uint8_t>(code));
        }
        // Cell column 4 reads bytes 96..119 of a 128-byte row and is drawn
        // (black); column 5 would read up to byte 143 and is skipped. Only two
        // rows of cells exist (codes below 32).
        for (int code = 0; code < 256; ++code) {
            const bool drawn = code < 32 && code % 16 < 5;
            ASSERT_EQ(f.pixel(place_x(code), place_y(code) - 1)[0], drawn ? 0 : 50) << code;
        }
    }
    {
        Fixture f;
        TileSheet empty;  // no image, no cells
        empty.draw_glyph(f.canvas, 10, 10, 'A');
        TileSheet no_cells = f.sheet;
        no_cells.cells_per_row = 0;
        no_cells.draw_glyph(f.canvas, 10, 10, 'A');
        no_cells = f.sheet;
        no_cells.cell_width = 0;
        no_cells.draw_text(f.canvas, 10, 10, "AB");
        f.expect_canvas_matches_model("sheets without cells");
    }
}

TEST(DrawText, AdvancesOneCellPerByteAndTreatsNoByteSpecially) {
    Fixture f;
    f.sheet.key[0] = f.sheet.key[1] = f.sheet.key[2] = 0;
    f.sheet.key_enabled = 1;
    f.sheet.tint[1] = 0.1f;
    const char text[] = "AB\n\0 ~";  // a line feed, a zero byte and a blank are glyphs
    f.sheet.draw_text(f.canvas, -4, 540, text, sizeof text - 1);
    for (std::size_t k = 0; k + 1 < sizeof text; ++k) {
        f.model_glyph(-4 + 8 * static_cast<int>(k), 540, static_cast<std::uint8_t>(text[k]));
    }
    f.expect_canvas_matches_model("text with special bytes");

    // The zero-terminated form stops at the zero byte; an empty text draws nothing.
    Fixture g;
    g.sheet.draw_text(g.canvas, 20, 300, "AB\0CD");
    g.sheet.draw_text(g.canvas, 20, 400, "");
    g.sheet.draw_text(g.canvas, 20, 500, "XYZ", 0);
    g.model_glyph(20, 300, 'A');
    g.model_glyph(28, 300, 'B');
    g.expect_canvas_matches_model("zero-terminated and empty");
}

// ---- loading and the font check ----

// The bytes of a BMP file: file header, a 40-byte info header (or the 12-byte
// core header of 16-bit sizes), 256 palette entries for 8 bits, then
// `data_bytes` zero bytes of pixel data. Fields little-endian, by hand.
std::vector<std::uint8_t> bmp_bytes(std::int64_t width, std::int64_t height, int bits,
                                    std::uint32_t compression, std::size_t data_bytes,
                                    bool core_header = false) {
    std::vector<std::uint8_t> out;
    const auto put = [&out](std::uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) {
            out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
        }
    };
    const std::size_t palette = bits == 8 && !core_header ? 1024 : 0;
    const std::size_t offset = 14 + (core_header ? 12 : 40) + palette;
    out.push_back('B');
    out.push_back('M');
    put(offset + data_bytes, 4);
    put(0, 4);
    put(offset, 4);
    if (core_header) {
        put(12, 4);
        put(static_cast<std::uint64_t>(width), 2);
        put(static_cast<std::uint64_t>(height), 2);
        put(1, 2);
        put(static_cast<std::uint64_t>(bits), 2);
    } else {
        put(40, 4);
        put(static_cast<std::uint64_t>(width), 4);  // two's complement, low 32 bits
        put(static_cast<std::uint64_t>(height), 4);
        put(1, 2);
        put(static_cast<std::uint64_t>(bits), 2);
        put(compression, 4);
        put(data_bytes, 4);
        put(2835, 4);
        put(2835, 4);
        put(palette / 4, 4);
        put(0, 4);
    }
    out.resize(out.size() + palette + data_bytes, 0);
    return out;
}

// The loaders return what went wrong and log nothing themselves: the
// fixture catches SDL's log and every test ends with it empty.
class SheetFiles : public ::testing::Test {
protected:
    std::filesystem::path dir;
    std::vector<std::string> messages;

    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("zarvo-tile-sheet-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        SDL_LogSetOutputFunction(
            [](void* self, int, SDL_LogPriority, const char* message) {
                static_cast<SheetFiles*>(self)->messages.emplace_back(message);
            },
            this);
    }
    void TearDown() override {
        SDL_LogSetOutputFunction(nullptr, nullptr);
        std::filesystem::remove_all(dir);
        EXPECT_TRUE(messages.empty()) << messages.front();
    }

    std::string save(SDL_Surface* surface, const char* name) {
        const std::string path = (dir / name).string();
        EXPECT_EQ(SDL_SaveBMP(surface, path.c_str()), 0) << SDL_GetError();
        SDL_FreeSurface(surface);
        return path;
    }
};

TEST_F(SheetFiles, LoadBmpCopiesTheRowsSetsCellsAndKeepsTintAndKey) {
    const std::string path = save(make_sheet_surface(130, 64), "font.bmp");
    TileSheet sheet;
    sheet.tint[1] = 0.1f;
    ASSERT_EQ(load_bmp(sheet, path.c_str(), 8, check_font_surface), "");
    EXPECT_EQ(sheet.cell_width, 8);
    EXPECT_EQ(sheet.cell_height, 8);
    EXPECT_EQ(sheet.cells_per_row, 16);  // 130 / 8, the remainder dropped
    // Rows of 390 bytes padded to 392, as SDL lays them out.
    const TileSheet made = make_sheet(130, 64);
    EXPECT_EQ(sheet.width, 130);
    EXPECT_EQ(sheet.height, 64);
    EXPECT_EQ(sheet.pitch, 392);
    ASSERT_EQ(sheet.pixels.size(), made.pixels.size());
    for (int y = 0; y < 64; ++y) {
        ASSERT_EQ(std::memcmp(sheet.pixels.data() + y * 392, made.pixels.data() + y * 392, 390), 0)
            << "row " << y;
    }
    EXPECT_EQ(sheet.tint[1], 0.1f);
    EXPECT_EQ(sheet.key[0], 255);
    EXPECT_EQ(sheet.key_enabled, 0);

    // The loaded sheet draws what the model says.
    sheet.tint[1] = 1.0f;
    Fixture f;
    f.sheet.draw_glyph(f.canvas, 5, 5, 'Q');
    sheet.draw_glyph(f.canvas, 5, 5, 'Q');
    f.model_glyph(5, 5, 'Q');
    f.expect_canvas_matches_model("loaded sheet");
}

TEST_F(SheetFiles, MissingFileIsReportedByName) {
    TileSheet sheet;
    const std::string path = (dir / "absent.bmp").string();
    EXPECT_EQ(load_bmp(sheet, path.c_str(), 8, nullptr), "Unable to open surface: " + path);
    EXPECT_TRUE(sheet.pixels.empty());
}

// SDL allocates and clears the whole claimed surface before it reads a pixel,
// so a claim above the largest sheet is refused from the header alone, and
// the stream is closed (the sanitizer build reports a leaked one).
TEST_F(SheetFiles, HeaderClaimingMoreThanTheLargestSheetIsRefusedBeforeDecoding) {
    constexpr std::uint32_t kRle8 = 1;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* claim;  // "W x H" in the refusal, or null: loads
        int width, height;  // the loaded surface's size
    };
    const Case cases[] = {
        {"one column too wide", bmp_bytes(4097, 1, 8, 0, 4100), "4097 x 1", 0, 0},
        {"one row too high", bmp_bytes(1, 4097, 8, 0, 4 * 4097), "1 x 4097", 0, 0},
        {"-2^31 rows, top-down", bmp_bytes(8, -2147483648LL, 8, 0, 64), "8 x 2147483648", 0, 0},
        {"core header", bmp_bytes(65535, 2, 24, 0, 0, true), "65535 x 2", 0, 0},
        // "End of bitmap" at once: a complete run-length image of any size.
        {"run-length", bmp_bytes(30000, 30000, 8, kRle8, 2), "30000 x 30000", 0, 0},
        {"as wide as allowed", bmp_bytes(4096, 1, 8, 0, 4096), nullptr, 4096, 1},
        {"top-down", bmp_bytes(8, -8, 8, 0, 64), nullptr, 8, 8},
        {"core header, small", bmp_bytes(8, 8, 24, 0, 8 * 24, true), nullptr, 8, 8},
    };
    for (const Case& c : cases) {
        TileSheet sheet;
        SDL_RWops* stream = SDL_RWFromConstMem(c.bytes.data(), static_cast<int>(c.bytes.size()));
        ASSERT_NE(stream, nullptr);
        const std::string error = load_bmp_rw(sheet, stream, "claim.bmp", 8, nullptr);
        if (c.claim != nullptr) {
            EXPECT_TRUE(sheet.pixels.empty()) << c.what;
            EXPECT_EQ(error,
                      std::string("claim.bmp: expected a BMP image of at most 4096 x 4096 pixels, "
                                  "found a header claiming ") +
                          c.claim)
                << c.what;
        } else {
            ASSERT_EQ(error, "") << c.what;
            EXPECT_EQ(sheet.width, c.width) << c.what;
            EXPECT_EQ(sheet.height, c.height) << c.what;
        }
        release_sheet(sheet);
    }
}

// Reading the claim puts the stream back where the image starts, which need
// not be the start of the stream.
TEST_F(SheetFiles, LoadsFromTheStreamsPosition) {
    std::vector<std::uint8_t> bytes = {'j', 'u', 'n', 'k', '!'};
    const std::vector<std::uint8_t> image = bmp_bytes(16, 8, 24, 0, 16 * 8 * 3);
    bytes.insert(bytes.end(), image.begin(), image.end());
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(SDL_RWseek(stream, 5, RW_SEEK_SET), 5);
    TileSheet sheet;
    ASSERT_EQ(load_bmp_rw(sheet, stream, "offset.bmp", 8, nullptr), "");
    EXPECT_EQ(sheet.width, 16);
    EXPECT_EQ(sheet.cells_per_row, 2);
    release_sheet(sheet);
    EXPECT_TRUE(sheet.pixels.empty());
    EXPECT_EQ(sheet.width, 0);
}

TEST_F(SheetFiles, FontCheckRefusesWhatCannotBeDrawn) {
    struct Case {
        SDL_Surface* surface;
        const char* expected_part;  // in the message
    };
    const Case cases[] = {
        {SDL_CreateRGBSurfaceWithFormat(0, 128, 64, 8, SDL_PIXELFORMAT_INDEX8), "24-bit"},
        {SDL_CreateRGBSurfaceWithFormat(0, 128, 64, 32, SDL_PIXELFORMAT_ARGB8888), "24-bit"},
        {make_sheet_surface(4, 2000), "at least one cell (8 pixels) wide, found 4"},
        {make_sheet_surface(128, 63), "at least 8 rows"},    // 126 / 16 = 7: eight rows
        {make_sheet_surface(8, 1015), "at least 127 rows"},  // one cell per row
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.surface, nullptr) << SDL_GetError();
        const std::string path = save(c.surface, "bad.bmp");
        TileSheet sheet;
        const std::string error = load_bmp(sheet, path.c_str(), 8, check_font_surface);
        EXPECT_EQ(error.rfind(path + ": expected ", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected_part), std::string::npos) << error;
        EXPECT_NE(error.find("found"), std::string::npos) << error;
        // A refused sheet keeps nothing of the file.
        EXPECT_TRUE(sheet.pixels.empty());
        EXPECT_EQ(sheet.cells_per_row, 0);
    }
    // Just enough rows passes.
    for (const auto& [w, h] : {std::pair{128, 64}, std::pair{8, 1016}, std::pair{136, 64}}) {
        const std::string path = save(make_sheet_surface(w, h), "good.bmp");
        TileSheet sheet;
        EXPECT_EQ(load_bmp(sheet, path.c_str(), 8, check_font_surface), "") << w << " x " << h;
    }
}

}  // namespace
