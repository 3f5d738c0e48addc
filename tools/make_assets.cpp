// make_assets: writes the four files the program reads from its working
// directory, checks them as SDL loads them, and renders text samples of the
// font for a visual check. Run without arguments for the usage.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/asset_images.hpp"
#include "tools/bmp_file.hpp"
#include "tools/font_glyphs.hpp"

namespace {

using zarvo_tools::GreyImage;
using zarvo_tools::kPictureSize;
using zarvo_tools::RgbImage;

const char* const kOstrelFile = "ostrel-512x512.bmp";
const char* const kVhsFile = "vhs-512x512.bmp";
const char* const kSierpinskyFile = "sierpinsky-512x512.bmp";
const char* const kFontFile = "font2.bmp";

// Decodes a PNG (or any format SDL_image reads) into packed RGB bytes.
bool load_rgb(const std::string& path, RgbImage& out) {
    SDL_Surface* decoded = IMG_Load(path.c_str());
    if (decoded == nullptr) {
        std::fprintf(stderr, "cannot decode %s: %s\n", path.c_str(), IMG_GetError());
        return false;
    }
    // Converting fixes the byte order (red, green, blue) whatever the file
    // held: grey, palette or RGB.
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(decoded);
    if (rgb == nullptr) {
        std::fprintf(stderr, "cannot convert %s to RGB: %s\n", path.c_str(), SDL_GetError());
        return false;
    }
    out.width = rgb->w;
    out.height = rgb->h;
    out.pixels.resize(static_cast<std::size_t>(rgb->w) * rgb->h * 3);
    const auto* src = static_cast<const unsigned char*>(rgb->pixels);
    for (int row = 0; row < rgb->h; ++row) {
        std::memcpy(&out.pixels[static_cast<std::size_t>(row) * rgb->w * 3], src + row * rgb->pitch,
                    static_cast<std::size_t>(rgb->w) * 3);
    }
    SDL_FreeSurface(rgb);
    return true;
}

bool make_ostrel(const std::string& photo_path, GreyImage& out) {
    RgbImage photo;
    if (!load_rgb(photo_path, photo)) {
        return false;
    }
    if (photo.width != kPictureSize || photo.height != kPictureSize) {
        std::fprintf(stderr, "%s is %d x %d, expected %d x %d\n", photo_path.c_str(), photo.width,
                     photo.height, kPictureSize, kPictureSize);
        return false;
    }
    out = zarvo_tools::grey_from_rgb(photo);
    return true;
}

std::string join(const std::string& dir, const char* name) {
    return dir.empty() ? std::string(name) : dir + "/" + name;
}

// ---- checks, on the files as SDL_LoadBMP gives them to the program ----

struct CheckLog {
    int failures = 0;

    void fail(const char* file, const std::string& what) {
        std::printf("FAIL %s: %s\n", file, what.c_str());
        ++failures;
    }
};

std::string format_text(const char* format, long a, long b = 0, long c = 0) {
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

// An 8-bit picture: palette format, size, row length, grey ramp palette, and
// (when `expected` is given) every byte equal to it with the top row first.
void check_picture(const std::string& dir, const char* name, const GreyImage* expected,
                   CheckLog& log) {
    const std::string path = join(dir, name);
    SDL_Surface* surface = SDL_LoadBMP(path.c_str());
    if (surface == nullptr) {
        log.fail(name, std::string("SDL_LoadBMP: ") + SDL_GetError());
        return;
    }
    const int failures_before = log.failures;
    if (surface->format->format != SDL_PIXELFORMAT_INDEX8) {
        log.fail(name, std::string("pixel format ") +
                           SDL_GetPixelFormatName(surface->format->format) + ", expected INDEX8");
    } else if (surface->w != kPictureSize || surface->h != kPictureSize ||
               surface->pitch != kPictureSize) {
        log.fail(name,
                 format_text("size %ld x %ld, pitch %ld", surface->w, surface->h, surface->pitch));
    } else {
        const SDL_Palette* palette = surface->format->palette;
        if (palette == nullptr || palette->ncolors != 256) {
            log.fail(name, "palette does not have 256 entries");
        } else {
            for (int k = 0; k < 256; ++k) {
                const SDL_Color& c = palette->colors[k];
                if (c.r != k || c.g != k || c.b != k) {
                    log.fail(name,
                             format_text("palette entry %ld is (%ld, ...), not grey", k, c.r));
                    break;
                }
            }
        }
        SDL_LockSurface(surface);
        const auto* pixels = static_cast<const unsigned char*>(surface->pixels);
        if (expected != nullptr) {
            long mismatches = 0;
            long first = -1;
            for (long k = 0; k < long{kPictureSize} * kPictureSize; ++k) {
                if (pixels[k] != expected->pixels[static_cast<std::size_t>(k)]) {
                    if (first < 0) {
                        first = k;
                    }
                    ++mismatches;
                }
            }
            if (mismatches != 0) {
                log.fail(name, format_text("%ld bytes differ from a fresh build, first at row "
                                           "%ld column %ld",
                                           mismatches, first / kPictureSize, first % kPictureSize));
            }
        }
        long histogram_min = 255, histogram_max = 0;
        for (long k = 0; k < long{kPictureSize} * kPictureSize; ++k) {
            histogram_min = pixels[k] < histogram_min ? pixels[k] : histogram_min;
            histogram_max = pixels[k] > histogram_max ? pixels[k] : histogram_max;
        }
        SDL_UnlockSurface(surface);
        if (log.failures == failures_before) {
            std::printf("ok   %s: INDEX8 %d x %d, pitch %d, grey palette, bytes %ld..%ld%s\n", name,
                        surface->w, surface->h, surface->pitch, histogram_min, histogram_max,
                        expected != nullptr ? ", equal to a fresh build" : "");
        }
    }
    SDL_FreeSurface(surface);
}

// The triangle must stand on its base: rows above the apex are black, the
// apex is at the top centre and the widest lit row is at the bottom.
void check_triangle_upright(const std::string& dir, CheckLog& log) {
    SDL_Surface* surface = SDL_LoadBMP(join(dir, kSierpinskyFile).c_str());
    if (surface == nullptr || surface->format->BytesPerPixel != 1) {
        SDL_FreeSurface(surface);
        return;  // already reported by check_picture
    }
    const auto* pixels = static_cast<const unsigned char*>(surface->pixels);
    int first_row = -1, widest_row = -1, widest = 0, apex_column = -1;
    for (int row = 0; row < surface->h; ++row) {
        int lit_left = -1, lit_right = -1;
        for (int column = 0; column < surface->w; ++column) {
            if (pixels[row * surface->pitch + column] >= 128) {
                lit_left = lit_left < 0 ? column : lit_left;
                lit_right = column;
            }
        }
        if (lit_left < 0) {
            continue;
        }
        if (first_row < 0) {
            first_row = row;
            apex_column = (lit_left + lit_right) / 2;
        }
        if (lit_right - lit_left >= widest) {
            widest = lit_right - lit_left;
            widest_row = row;
        }
    }
    SDL_FreeSurface(surface);
    if (first_row < 0 || first_row > 64 || apex_column < 250 || apex_column > 262 ||
        widest_row < 448) {
        log.fail(kSierpinskyFile,
                 format_text("not upright: apex row %ld column %ld, widest row %ld", first_row,
                             apex_column, widest_row));
    } else {
        std::printf("ok   %s: upright, apex at row %d column %d, widest at row %d (%d wide)\n",
                    kSierpinskyFile, first_row, apex_column, widest_row, widest + 1);
    }
}

// The font: 24-bit with blue first in memory, 16 cells of 8 pixels per row,
// only black and white pixels, equal to the glyph table, a lit pixel in every
// printable glyph and nothing in the cells without a glyph.
void check_font(const std::string& dir, CheckLog& log) {
    const std::string path = join(dir, kFontFile);
    SDL_Surface* surface = SDL_LoadBMP(path.c_str());
    if (surface == nullptr) {
        log.fail(kFontFile, std::string("SDL_LoadBMP: ") + SDL_GetError());
        return;
    }
    const int failures_before = log.failures;
    const RgbImage expected = zarvo_tools::make_font_sheet();
    if (surface->format->format != SDL_PIXELFORMAT_BGR24) {
        log.fail(kFontFile, std::string("pixel format ") +
                                SDL_GetPixelFormatName(surface->format->format) +
                                ", expected BGR24");
    } else if (surface->w != expected.width || surface->h != expected.height ||
               surface->pitch < 3 * surface->w) {
        log.fail(kFontFile,
                 format_text("size %ld x %ld, pitch %ld", surface->w, surface->h, surface->pitch));
    } else {
        SDL_LockSurface(surface);
        const auto* pixels = static_cast<const unsigned char*>(surface->pixels);
        const int cells_per_row = surface->w / zarvo_tools::kGlyphSize;
        std::vector<int> lit(static_cast<std::size_t>(cells_per_row * (surface->h / 8)), 0);
        long other_colours = 0, mismatches = 0;
        for (int y = 0; y < surface->h; ++y) {
            for (int x = 0; x < surface->w; ++x) {
                const unsigned char* bgr = pixels + y * surface->pitch + 3 * x;
                const bool white = bgr[0] == 255 && bgr[1] == 255 && bgr[2] == 255;
                const bool black = bgr[0] == 0 && bgr[1] == 0 && bgr[2] == 0;
                if (!white && !black) {
                    ++other_colours;
                }
                if (white) {
                    ++lit[static_cast<std::size_t>((y / 8) * cells_per_row + x / 8)];
                }
                const bool want_white =
                    expected.pixels[3 * (static_cast<std::size_t>(y) * expected.width + x)] == 255;
                if (white != want_white) {
                    ++mismatches;
                }
            }
        }
        SDL_UnlockSurface(surface);
        if (other_colours != 0) {
            log.fail(kFontFile, format_text("%ld pixels neither black nor white", other_colours));
        }
        if (mismatches != 0) {
            log.fail(kFontFile, format_text("%ld pixels differ from the glyph table", mismatches));
        }
        for (int code = 0; code < static_cast<int>(lit.size()); ++code) {
            const bool printable =
                code > zarvo_tools::kFirstGlyph && code <= zarvo_tools::kLastGlyph;
            if (printable && lit[static_cast<std::size_t>(code)] == 0) {
                log.fail(kFontFile, format_text("glyph %ld has no white pixel", code));
            }
            if (!printable && code != ' ' && lit[static_cast<std::size_t>(code)] != 0) {
                log.fail(kFontFile, format_text("cell %ld should be blank", code));
            }
        }
        if (lit[' '] != 0) {
            log.fail(kFontFile, "the space is not blank");
        }
        if (log.failures == failures_before) {
            std::printf(
                "ok   %s: BGR24 %d x %d, pitch %d, %d cells per row, black and white "
                "only, glyphs 33..126 lit, other cells blank, equal to the table\n",
                kFontFile, surface->w, surface->h, surface->pitch, cells_per_row);
        }
    }
    SDL_FreeSurface(surface);
}

int run_check(const std::string& dir, const char* photo_path) {
    CheckLog log;
    if (!zarvo_tools::glyph_table_is_well_formed()) {
        log.fail("glyph table", "malformed");
    }
    GreyImage ostrel;
    const bool have_ostrel = photo_path != nullptr && make_ostrel(photo_path, ostrel);
    if (photo_path != nullptr && !have_ostrel) {
        log.fail(kOstrelFile, "the source photograph cannot be read");
    }
    const GreyImage vhs = zarvo_tools::make_vhs_frame();
    const GreyImage sierpinsky = zarvo_tools::make_sierpinski_triangle();
    check_picture(dir, kOstrelFile, have_ostrel ? &ostrel : nullptr, log);
    check_picture(dir, kVhsFile, &vhs, log);
    check_picture(dir, kSierpinskyFile, &sierpinsky, log);
    check_triangle_upright(dir, log);
    check_font(dir, log);
    std::printf("%s: %d failure%s\n", log.failures == 0 ? "PASS" : "FAIL", log.failures,
                log.failures == 1 ? "" : "s");
    return log.failures == 0 ? 0 : 1;
}

// ---- text sample: the font sheet as the program draws it, enlarged ----

// Draws each line as the program's text drawing does (cell row i lands on
// canvas row y + i - 1, black font pixels skipped), lines 12 rows apart like
// the menu, on a dark grey ground so that cell edges stay visible, then
// enlarges the result by `scale` with square pixels.
int run_sample(const std::string& font_path, const std::string& out_path, int scale,
               const std::vector<std::string>& lines) {
    SDL_Surface* font = SDL_LoadBMP(font_path.c_str());
    if (font == nullptr) {
        std::fprintf(stderr, "SDL_LoadBMP(%s): %s\n", font_path.c_str(), SDL_GetError());
        return 1;
    }
    std::size_t longest = 0;
    for (const std::string& line : lines) {
        longest = line.size() > longest ? line.size() : longest;
    }
    const int width = static_cast<int>(longest) * 8 + 8;
    const int height = static_cast<int>(lines.size()) * 12 + 6;
    RgbImage canvas;
    canvas.width = width * scale;
    canvas.height = height * scale;
    canvas.pixels.assign(static_cast<std::size_t>(canvas.width) * canvas.height * 3, 40);
    SDL_LockSurface(font);
    const auto* pixels = static_cast<const unsigned char*>(font->pixels);
    const int cells_per_row = font->w / 8;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const int y = 4 + 12 * static_cast<int>(n);
        for (std::size_t k = 0; k < lines[n].size(); ++k) {
            const int code = static_cast<unsigned char>(lines[n][k]);
            const int x = 4 + 8 * static_cast<int>(k);
            for (int i = 0; i < 8; ++i) {
                for (int j = 0; j < 8; ++j) {
                    const unsigned char* bgr = pixels +
                                               ((code / cells_per_row) * 8 + i) * font->pitch +
                                               3 * ((code % cells_per_row) * 8 + j);
                    if (bgr[0] == 0 && bgr[1] == 0 && bgr[2] == 0) {
                        continue;
                    }
                    for (int sy = 0; sy < scale; ++sy) {
                        for (int sx = 0; sx < scale; ++sx) {
                            const std::size_t p =
                                3 *
                                (static_cast<std::size_t>((y + i - 1) * scale + sy) * canvas.width +
                                 (x + j) * scale + sx);
                            canvas.pixels[p] = bgr[2];
                            canvas.pixels[p + 1] = bgr[1];
                            canvas.pixels[p + 2] = bgr[0];
                        }
                    }
                }
            }
        }
    }
    SDL_UnlockSurface(font);
    SDL_FreeSurface(font);
    return zarvo_tools::write_bmp_rgb24(out_path, canvas) ? 0 : 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage:\n"
                 "  make_assets all SKIMAGE_DATA_DIR OUT_DIR   write the four files\n"
                 "  make_assets ostrel ASTRONAUT_PNG OUT.bmp\n"
                 "  make_assets vhs OUT.bmp\n"
                 "  make_assets sierpinsky OUT.bmp\n"
                 "  make_assets font OUT.bmp\n"
                 "  make_assets --check DIR [ASTRONAUT_PNG]    check the files as SDL loads them\n"
                 "  make_assets --sample FONT.bmp OUT.bmp SCALE LINE...   render text\n");
    return 2;
}

bool write_ostrel(const std::string& photo, const std::string& out) {
    GreyImage image;
    return make_ostrel(photo, image) && zarvo_tools::write_bmp_grey8(out, image);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    if (!zarvo_tools::glyph_table_is_well_formed()) {
        return 1;
    }
    const std::string& mode = args[0];
    if (mode == "all" && args.size() == 3) {
        const std::string& out = args[2];
        const bool ok =
            write_ostrel(args[1] + "/astronaut.png", join(out, kOstrelFile)) &&
            zarvo_tools::write_bmp_grey8(join(out, kVhsFile), zarvo_tools::make_vhs_frame()) &&
            zarvo_tools::write_bmp_grey8(join(out, kSierpinskyFile),
                                         zarvo_tools::make_sierpinski_triangle()) &&
            zarvo_tools::write_bmp_rgb24(join(out, kFontFile), zarvo_tools::make_font_sheet());
        return ok ? 0 : 1;
    }
    if (mode == "ostrel" && args.size() == 3) {
        return write_ostrel(args[1], args[2]) ? 0 : 1;
    }
    if (mode == "vhs" && args.size() == 2) {
        return zarvo_tools::write_bmp_grey8(args[1], zarvo_tools::make_vhs_frame()) ? 0 : 1;
    }
    if (mode == "sierpinsky" && args.size() == 2) {
        return zarvo_tools::write_bmp_grey8(args[1], zarvo_tools::make_sierpinski_triangle()) ? 0
                                                                                              : 1;
    }
    if (mode == "font" && args.size() == 2) {
        return zarvo_tools::write_bmp_rgb24(args[1], zarvo_tools::make_font_sheet()) ? 0 : 1;
    }
    if (mode == "--check" && (args.size() == 2 || args.size() == 3)) {
        return run_check(args[1], args.size() == 3 ? args[2].c_str() : nullptr);
    }
    if (mode == "--sample" && args.size() >= 5) {
        const int scale = std::atoi(args[3].c_str());
        if (scale < 1 || scale > 16) {
            return usage();
        }
        return run_sample(args[1], args[2], scale,
                          std::vector<std::string>(args.begin() + 4, args.end()));
    }
    return usage();
}
