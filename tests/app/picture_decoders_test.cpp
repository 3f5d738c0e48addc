// The decoders of the user's pictures, on pictures made here:
// - CMYK JPEGs written by libjpeg with and without Adobe's marker (inks
//   stored inverted or as they are), against greys worked out by hand;
// - the EXIF orientation reader on well-formed and malformed blocks;
// - BMP files of every layout SDL reads, against SDL's own loader and
//   conversion, sheet for sheet.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "files/exif_orientation.hpp"
#include "files/user_picture.hpp"
#include "inputs/grey_sheet.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sheet_of(const Bytes& file, std::string* error = nullptr) {
    Bytes sheet;
    const std::string message = read_user_picture_bytes(file.data(), file.size(), "test", sheet);
    if (error != nullptr) {
        *error = message;
    } else {
        EXPECT_EQ(message, "");
    }
    return sheet;
}

// A 16 x 8 CMYK JPEG of two flat 8 x 8 blocks (quality 100, no
// subsampling, so that each decodes to its values exactly). With `adobe`
// the file carries Adobe's marker and stores 255 - ink, as Photoshop does;
// without, it stores the inks.
Bytes cmyk_jpeg(const std::uint8_t inks[2][4], bool adobe) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 8;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, JCS_CMYK);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int c = 0; c < 4; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::uint8_t row[16 * 4];
    for (int x = 0; x < 16; ++x) {
        for (int c = 0; c < 4; ++c) {
            const std::uint8_t ink = inks[x / 8][c];
            row[4 * x + c] = adobe ? static_cast<std::uint8_t>(255 - ink) : ink;
        }
    }
    while (cinfo.next_scanline < 8) {
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes file(out, out + size);
    std::free(out);
    return file;
}

TEST(CmykJpeg, InksBecomeLightTheSameWithAndWithoutAdobesMarker) {
    const std::uint8_t inks[2][4] = {{0, 255, 128, 64}, {200, 30, 0, 10}};
    // Light = ((255 - ink)(255 - K) + 127) / 255 per channel, then the luma:
    // (0, 255, 128, 64): R = 255 * 191 / 255 = 191, G = 0,
    //   B = (127 * 191 + 127) / 255 = 95.6 -> 95;
    //   (299 * 191 + 114 * 95 + 500) / 1000 = 68439 / 1000 -> 68.
    // (200, 30, 0, 10): R = (55 * 245 + 127) / 255 = 53.3 -> 53,
    //   G = (225 * 245 + 127) / 255 = 216.7 -> 216, B = 245;
    //   (299 * 53 + 587 * 216 + 114 * 245 + 500) / 1000 = 171069 / 1000 -> 171.
    for (const bool adobe : {true, false}) {
        const Bytes sheet = sheet_of(cmyk_jpeg(inks, adobe));
        ASSERT_EQ(sheet.size(), 512u * 512u);
        // 16 x 8 fits as 512 x 256, rows 128 to 383; each block half of it.
        for (const int row : {128, 250, 383}) {
            EXPECT_EQ(sheet[row * 512 + 0], 68) << "adobe " << adobe << ", row " << row;
            EXPECT_EQ(sheet[row * 512 + 255], 68) << "adobe " << adobe << ", row " << row;
            EXPECT_EQ(sheet[row * 512 + 256], 171) << "adobe " << adobe << ", row " << row;
            EXPECT_EQ(sheet[row * 512 + 511], 171) << "adobe " << adobe << ", row " << row;
        }
        EXPECT_EQ(sheet[127 * 512 + 10], 0);
        EXPECT_EQ(sheet[384 * 512 + 10], 0);
    }
}

// A TIFF block: header, then one directory at offset 8 with the entries.
Bytes tiff(bool big, std::vector<std::vector<std::uint32_t>> entries, int claimed = -1) {
    Bytes b = {static_cast<std::uint8_t>(big ? 'M' : 'I'),
               static_cast<std::uint8_t>(big ? 'M' : 'I')};
    auto put = [&](std::uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) {
            const int shift = big ? 8 * (bytes - 1 - k) : 8 * k;
            b.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    put(42, 2);
    put(8, 4);
    put(claimed >= 0 ? static_cast<std::uint32_t>(claimed)
                     : static_cast<std::uint32_t>(entries.size()),
        2);
    for (const auto& e : entries) {  // tag, type, count, value (SHORT)
        put(e[0], 2);
        put(e[1], 2);
        put(e[2], 4);
        put(e[3], 2);
        put(0, 2);
    }
    put(0, 4);
    return b;
}

TEST(ExifOrientation, ReadsTheTagAndNothingOutsideTheBlock) {
    const std::vector<std::uint32_t> software = {0x0131, 2, 4, 0};
    struct Case {
        const char* what;
        Bytes block;
        int expected;
    };
    std::vector<Case> cases;
    for (int o = 1; o <= 8; ++o) {
        cases.push_back({"little-endian",
                         tiff(false, {software, {0x0112, 3, 1, static_cast<std::uint32_t>(o)}}),
                         o});
        cases.push_back(
            {"big-endian", tiff(true, {{0x0112, 3, 1, static_cast<std::uint32_t>(o)}}), o});
    }
    cases.push_back({"value 0", tiff(false, {{0x0112, 3, 1, 0}}), 1});
    cases.push_back({"value 9", tiff(true, {{0x0112, 3, 1, 9}}), 1});
    cases.push_back({"type LONG", tiff(false, {{0x0112, 4, 1, 6}}), 1});
    cases.push_back({"count 2", tiff(false, {{0x0112, 3, 2, 6}}), 1});
    cases.push_back({"no tag", tiff(false, {software}), 1});
    cases.push_back({"entries claimed beyond the block", tiff(false, {software}, 400), 1});
    Bytes bad_order = tiff(false, {{0x0112, 3, 1, 6}});
    bad_order[0] = 'X';
    cases.push_back({"no byte order", bad_order, 1});
    Bytes far = tiff(false, {{0x0112, 3, 1, 6}});
    far[4] = 0xF0;  // the directory's offset past the end
    cases.push_back({"directory past the end", far, 1});
    for (const Case& c : cases) {
        // Copied into a block of exactly its size, so that the sanitizers
        // see a read past it.
        std::vector<std::uint8_t> exact(c.block);
        EXPECT_EQ(exif_orientation(exact.data(), exact.size()), c.expected) << c.what;
        for (std::size_t cut = 0; cut < exact.size(); ++cut) {
            const std::vector<std::uint8_t> part(exact.begin(),
                                                 exact.begin() + static_cast<long>(cut));
            const int o = exif_orientation(part.data(), part.size());
            EXPECT_TRUE(o >= 1 && o <= 8) << c.what << " cut at " << cut;
        }
    }
}

// BMP files of the layouts SDL reads.
struct Bmp {
    std::string what;
    Bytes file;
};

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A BMP with an info header of `header` bytes (12: the old core header),
// `palette` entries, masks after a 40-byte header or inside a longer one,
// and `pixels` as stored.
Bytes bmp_file(int width, int height, int bits, std::uint32_t compression, int header,
               const Bytes& palette_bgr, const std::vector<std::uint32_t>& masks,
               const Bytes& pixels, std::uint32_t colours_used = 0) {
    Bytes info;
    if (header == 12) {
        put16(info, static_cast<std::uint32_t>(width));
        put16(info, static_cast<std::uint32_t>(height));
        put16(info, 1);
        put16(info, static_cast<std::uint32_t>(bits));
    } else {
        put32(info, static_cast<std::uint32_t>(width));
        put32(info, static_cast<std::uint32_t>(height));
        put16(info, 1);
        put16(info, static_cast<std::uint32_t>(bits));
        put32(info, compression);
        put32(info, static_cast<std::uint32_t>(pixels.size()));
        put32(info, 2835);
        put32(info, 2835);
        put32(info, colours_used);
        put32(info, 0);
        for (const std::uint32_t m : masks) {
            put32(info, m);
        }
    }
    Bytes head = {'B', 'M'};
    const std::size_t header_size =
        header == 12 ? 12 : std::max<std::size_t>(header, info.size() + 4);
    while (info.size() + 4 < header_size) {
        info.push_back(0);
    }
    const std::size_t offset = 14 + header_size + palette_bgr.size();
    put32(head, static_cast<std::uint32_t>(offset + pixels.size()));
    put32(head, 0);
    put32(head, static_cast<std::uint32_t>(offset));
    put32(head, static_cast<std::uint32_t>(header_size));
    head.insert(head.end(), info.begin(), info.end());
    head.insert(head.end(), palette_bgr.begin(), palette_bgr.end());
    head.insert(head.end(), pixels.begin(), pixels.end());
    return head;
}

std::uint32_t noise(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Rows of `bits` per pixel, random, each padded to 4 bytes (packed
// indexes below `colours`).
Bytes random_rows(int width, int height, int bits, std::uint32_t& state, int colours = 256) {
    const int stride = (width * bits + 31) / 32 * 4;
    Bytes rows(static_cast<std::size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + static_cast<std::size_t>(y) * stride;
        if (bits <= 8) {
            for (int x = 0; x < width; ++x) {
                const int index =
                    static_cast<int>(noise(state) % static_cast<std::uint32_t>(colours));
                row[x * bits / 8] |=
                    static_cast<std::uint8_t>(index << (8 - bits - (x * bits) % 8));
            }
        } else {
            for (int k = 0; k < width * bits / 8; ++k) {
                row[k] = static_cast<std::uint8_t>(noise(state));
            }
        }
    }
    return rows;
}

Bytes random_palette(int entries, int entry_bytes, std::uint32_t& state) {
    Bytes p;
    for (int k = 0; k < entries * entry_bytes; ++k) {
        p.push_back(static_cast<std::uint8_t>(noise(state)));
    }
    return p;
}

std::vector<Bmp> bmp_cases() {
    std::vector<Bmp> cases;
    std::uint32_t s = 12345;
    const int w = 37;
    const int h = 23;
    for (const int bits : {1, 2, 4, 8}) {
        const int entries = 1 << bits;
        cases.push_back({std::to_string(bits) + "-bit",
                         bmp_file(w, h, bits, 0, 40, random_palette(entries, 4, s), {},
                                  random_rows(w, h, bits, s))});
        cases.push_back({std::to_string(bits) + "-bit, core header",
                         bmp_file(w, h, bits, 0, 12, random_palette(256, 3, s), {},
                                  random_rows(w, h, bits, s))});
    }
    cases.push_back({"8-bit, 100 colours used", bmp_file(w, h, 8, 0, 40, random_palette(100, 4, s),
                                                         {}, random_rows(w, h, 8, s, 100), 100)});
    cases.push_back({"4-bit, 5 colours used", bmp_file(w, h, 4, 0, 40, random_palette(5, 4, s), {},
                                                       random_rows(w, h, 4, s, 5), 5)});
    cases.push_back({"8-bit, top-down", bmp_file(w, -h, 8, 0, 40, random_palette(256, 4, s), {},
                                                 random_rows(w, h, 8, s))});
    cases.push_back({"16-bit 5-5-5", bmp_file(w, h, 16, 0, 40, {}, {}, random_rows(w, h, 16, s))});
    cases.push_back({"16-bit 5-6-5 fields", bmp_file(w, h, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F},
                                                     random_rows(w, h, 16, s))});
    cases.push_back(
        {"16-bit 5-6-5 in a V5 header",
         bmp_file(w, h, 16, 3, 124, {}, {0xF800, 0x07E0, 0x001F, 0}, random_rows(w, h, 16, s))});
    cases.push_back(
        {"16-bit 4-4-4-4", bmp_file(w, h, 16, 3, 56, {}, {0x0F00, 0x00F0, 0x000F, 0xF000},
                                    random_rows(w, h, 16, s))});
    cases.push_back(
        {"16-bit 1-5-5-5", bmp_file(w, h, 16, 3, 108, {}, {0x7C00, 0x03E0, 0x001F, 0x8000},
                                    random_rows(w, h, 16, s))});
    cases.push_back({"16-bit B-G-R 5-6-5", bmp_file(w, h, 16, 3, 40, {}, {0x001F, 0x07E0, 0xF800},
                                                    random_rows(w, h, 16, s))});
    cases.push_back({"24-bit", bmp_file(w, h, 24, 0, 40, {}, {}, random_rows(w, h, 24, s))});
    cases.push_back(
        {"24-bit, core header", bmp_file(w, h, 24, 0, 12, {}, {}, random_rows(w, h, 24, s))});
    cases.push_back({"24-bit, V5 header, top-down",
                     bmp_file(w, -h, 24, 0, 124, {}, {}, random_rows(w, h, 24, s))});
    cases.push_back({"32-bit A-R-G-B fields",
                     bmp_file(w, h, 32, 3, 124, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                              random_rows(w, h, 32, s))});
    cases.push_back({"32-bit R-G-B-A fields",
                     bmp_file(w, h, 32, 3, 56, {}, {0xFF000000, 0xFF0000, 0xFF00, 0xFF},
                              random_rows(w, h, 32, s))});
    cases.push_back(
        {"32-bit X-R-G-B fields",
         bmp_file(w, h, 32, 3, 40, {}, {0xFF0000, 0xFF00, 0xFF}, random_rows(w, h, 32, s))});
    cases.push_back({"32-bit 2-10-10-10 fields",
                     bmp_file(w, h, 32, 3, 56, {}, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
                              random_rows(w, h, 32, s))});
    Bytes zero_padding = random_rows(w, h, 32, s);
    for (std::size_t k = 3; k < zero_padding.size(); k += 4) {
        zero_padding[k] = 0;
    }
    cases.push_back({"32-bit, padding 0", bmp_file(w, h, 32, 0, 40, {}, {}, zero_padding)});
    // Run-length coded: runs, a literal run of odd length, a move, an end
    // of line short of the width, and an early end of the bitmap.
    for (const bool four : {false, true}) {
        Bytes rle;
        for (int y = 0; y < h - 3; ++y) {
            const Bytes run = {static_cast<std::uint8_t>(5 + y % 7),
                               static_cast<std::uint8_t>(noise(s) % (four ? 256 : 200))};
            rle.insert(rle.end(), run.begin(), run.end());
            const int literal = 3 + y % 4;
            rle.push_back(0);
            rle.push_back(static_cast<std::uint8_t>(literal));
            const int bytes = four ? (literal + 1) / 2 : literal;
            for (int k = 0; k < bytes; ++k) {
                rle.push_back(static_cast<std::uint8_t>(four ? noise(s) % 256 : noise(s) % 200));
            }
            if (bytes % 2 == 1) {
                rle.push_back(0);
            }
            if (y == 5) {
                rle.insert(rle.end(), {0, 2, 4, 2});  // 4 right, 2 up
            }
            rle.insert(rle.end(), {0, 0});
        }
        rle.insert(rle.end(), {0, 1});
        const int bits = four ? 4 : 8;
        cases.push_back({four ? "RLE4" : "RLE8",
                         bmp_file(w, h, bits, four ? 2 : 1, 40,
                                  random_palette(four ? 16 : 200, 4, s), {}, rle, four ? 0 : 200)});
    }
    return cases;
}

// The sheet SDL's path gives: its loader, its conversion to RGBA, then the
// grey and the fit.
Bytes sdl_sheet(const Bytes& file, std::string& error) {
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    SDL_Surface* loaded = SDL_LoadBMP_RW(stream, 1);
    if (loaded == nullptr) {
        error = SDL_GetError();
        return {};
    }
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    Bytes greys(static_cast<std::size_t>(rgba->w) * rgba->h);
    for (int y = 0; y < rgba->h; ++y) {
        const auto* p = static_cast<const std::uint8_t*>(rgba->pixels) + y * rgba->pitch;
        for (int x = 0; x < rgba->w; ++x, p += 4) {
            greys[static_cast<std::size_t>(y) * rgba->w + x] = grey_of_rgba(p[0], p[1], p[2], p[3]);
        }
    }
    const Bytes sheet = fit_to_sheet(greys, rgba->w, rgba->h);
    SDL_FreeSurface(rgba);
    return sheet;
}

TEST(BmpPicture, EveryLayoutGivesTheSheetSdlGives) {
    for (const Bmp& c : bmp_cases()) {
        std::string sdl_error;
        const Bytes expected = sdl_sheet(c.file, sdl_error);
        ASSERT_EQ(sdl_error, "") << c.what;
        std::string error;
        const Bytes sheet = sheet_of(c.file, &error);
        ASSERT_EQ(error, "") << c.what;
        EXPECT_TRUE(sheet == expected) << c.what;
    }
}

TEST(BmpPicture, A32BitPictureWithoutAnAlphaMaskIsOpaque) {
    // Fourth bytes that are not all 0: SDL took them as alpha.
    std::uint32_t s = 99;
    const Bytes rows = random_rows(8, 4, 32, s);
    Bytes rgb;  // the same colours at 24 bits
    for (std::size_t k = 0; k < rows.size(); k += 4) {
        rgb.insert(rgb.end(), {rows[k], rows[k + 1], rows[k + 2]});
    }
    std::string error;
    EXPECT_EQ(sheet_of(bmp_file(8, 4, 32, 0, 40, {}, {}, rows)),
              sheet_of(bmp_file(8, 4, 24, 0, 40, {}, {}, rgb)));
}

TEST(BmpPicture, RefusesWhatItCannotShow) {
    std::uint32_t s = 7;
    const Bytes pixels = random_rows(4, 4, 8, s, 10);
    struct Case {
        const char* what;
        Bytes file;
        const char* reason;
    };
    Bytes cut = bmp_file(4, 4, 24, 0, 40, {}, {}, random_rows(4, 4, 24, s));
    cut.resize(cut.size() - 5);
    const Case cases[] = {
        {"an index beyond the palette",
         bmp_file(4, 4, 8, 0, 40, random_palette(5, 4, s), {}, pixels, 5), "out of the palette"},
        {"pixels cut short", cut, "the file ends inside the pixels"},
        {"zero height", bmp_file(4, 0, 24, 0, 40, {}, {}, {}), "a BMP image of 4 x 0 pixels"},
        {"12 bits per pixel", bmp_file(4, 4, 12, 0, 40, {}, {}, pixels), "12 bits per pixel"},
        {"JPEG inside", bmp_file(4, 4, 24, 4, 40, {}, {}, pixels), "BMP compression 4"},
        {"RLE8 at 24 bits", bmp_file(4, 4, 24, 1, 40, {}, {}, pixels), "BMP compression 1"},
        {"a mask with a gap", bmp_file(4, 4, 16, 3, 40, {}, {0xF00F, 0x00F0, 0x0F00}, pixels),
         "colour mask"},
        {"a header claiming 20000 rows", bmp_file(4, 20000, 8, 0, 40, {}, {}, pixels),
         "found a header claiming 4 x 20000"},
    };
    for (const Case& c : cases) {
        std::string error;
        sheet_of(c.file, &error);
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
}

}  // namespace
