#include "files/png_file.hpp"

#include <png.h>

#include <cstdio>

namespace {

struct PngWriting {
    std::string* out;
    char reason[200];
};

[[noreturn]] void stop(png_structp png, png_const_charp message) {
    auto* writing = static_cast<PngWriting*>(png_get_error_ptr(png));
    std::snprintf(writing->reason, sizeof writing->reason, "%s", message);
    png_longjmp(png, 1);
}

void ignore_warning(png_structp, png_const_charp) {}

void append(png_structp png, png_bytep data, std::size_t count) {
    static_cast<PngWriting*>(png_get_io_ptr(png))
        ->out->append(reinterpret_cast<const char*>(data), count);
}

void flush(png_structp) {}

// The only frame that calls setjmp: nothing in it has a destructor, so the
// longjmp back into it skips no cleanup. False when libpng failed, its
// reason in writing.reason.
bool encode_guarded(png_structp write, png_infop info, const std::uint8_t* rgb, int width,
                    int height, std::size_t stride) {
    if (setjmp(png_jmpbuf(write)) != 0) {
        return false;
    }
    png_set_write_fn(write, png_get_error_ptr(write), append, flush);
    png_set_IHDR(write, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(write, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(write, rgb + static_cast<std::size_t>(y) * stride);
    }
    png_write_end(write, info);
    return true;
}

}  // namespace

std::string encode_png(const std::uint8_t* rgb, int width, int height, std::size_t stride,
                       std::string& png) {
    png.clear();
    PngWriting writing{&png, {}};
    png_structp write =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &writing, stop, ignore_warning);
    png_infop info = write != nullptr ? png_create_info_struct(write) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&write, nullptr);
        return "libpng could not start";
    }
    const bool encoded = encode_guarded(write, info, rgb, width, height, stride);
    png_destroy_write_struct(&write, &info);
    if (!encoded) {
        return writing.reason;
    }
    return {};
}
