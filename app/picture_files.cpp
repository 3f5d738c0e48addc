#include "app/picture_files.hpp"

#include <SDL.h>
#include <SDL_image.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "display/bmp_header.hpp"
#include "display/image_file.hpp"
#include "display/regular_file.hpp"
#include "inputs/grey_sheet.hpp"
#include "inputs/images.hpp"

namespace {

// Larger than any file of kMaxPictureSide^2 pixels needs to be that still
// compresses at all; a plain BMP of that size at 32 bits is 1 GiB.
constexpr long long kMaxPictureFileBytes = 1LL << 30;

enum class Format { kPng, kJpeg, kBmp, kOther };

Format format_of(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), png, 8) == 0) {
        return Format::kPng;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return Format::kJpeg;
    }
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        return Format::kBmp;
    }
    return Format::kOther;
}

std::uint32_t big_endian(const std::uint8_t* p, int count) {
    std::uint32_t value = 0;
    for (int k = 0; k < count; ++k) {
        value = value << 8 | p[k];
    }
    return value;
}

// The size a header claims, before anything is decoded; false when the
// header is too short to tell (the decoder then refuses the file itself).
struct Claim {
    long long width = 0;
    long long height = 0;
};

bool claimed_size(const std::vector<std::uint8_t>& bytes, Format format, Claim& claim) {
    switch (format) {
        case Format::kPng:
            // The first chunk is IHDR: width and height, 32 bits each.
            if (bytes.size() < 24 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) {
                return false;
            }
            claim = {big_endian(&bytes[16], 4), big_endian(&bytes[20], 4)};
            return true;
        case Format::kJpeg: {
            // Marker segments up to the first start of frame (SOF0 .. SOF15,
            // but C4, C8 and CC, which are other segments), whose body holds
            // the precision, then height and width, 16 bits each.
            std::size_t at = 2;
            while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
                const std::uint8_t marker = bytes[at + 1];
                if (marker == 0xFF) {  // fill byte
                    ++at;
                    continue;
                }
                const std::size_t length = big_endian(&bytes[at + 2], 2);
                const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                                   marker != 0xC8 && marker != 0xCC;
                if (frame) {
                    if (at + 9 > bytes.size()) {
                        return false;
                    }
                    claim = {big_endian(&bytes[at + 7], 2), big_endian(&bytes[at + 5], 2)};
                    return true;
                }
                if (marker == 0xDA || length < 2) {  // image data before any frame
                    return false;
                }
                at += 2 + length;
            }
            return false;
        }
        case Format::kBmp: {
            SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
            BmpClaim bmp;
            const bool read = stream != nullptr && read_bmp_claim(stream, bmp) && bmp.is_bmp;
            if (stream != nullptr) {
                SDL_RWclose(stream);
            }
            claim = {bmp.width, bmp.height};
            return read;
        }
        case Format::kOther:
            break;
    }
    return false;
}

std::string too_large(const std::string& path, long long width, long long height,
                      const char* what) {
    return path + ": expected an image of at most " + std::to_string(kMaxPictureSide) + " x " +
           std::to_string(kMaxPictureSide) + " pixels, found " + what + " " +
           std::to_string(width) + " x " + std::to_string(height);
}

// A surface over the canvas's bytes (no copy), RGB in memory order.
SDL_Surface* surface_of(const Canvas& canvas, int x, int y, int width, int height) {
    return SDL_CreateRGBSurfaceWithFormatFrom(canvas.pixels + pixel_offset(canvas, x, y), width,
                                              height, 24, canvas.width * 3, SDL_PIXELFORMAT_RGB24);
}

// An SDL stream that appends what is written to a byte string.
Sint64 append_size(SDL_RWops* stream) {
    return static_cast<Sint64>(static_cast<std::string*>(stream->hidden.unknown.data1)->size());
}

Sint64 append_seek(SDL_RWops* stream, Sint64 offset, int whence) {
    // SDL2_image only asks where the stream is; it never moves back.
    return offset == 0 && whence != RW_SEEK_SET ? append_size(stream) : -1;
}

size_t append_read(SDL_RWops*, void*, size_t, size_t) {
    return 0;
}

size_t append_write(SDL_RWops* stream, const void* data, size_t size, size_t count) {
    static_cast<std::string*>(stream->hidden.unknown.data1)
        ->append(static_cast<const char*>(data), size * count);
    return count;
}

int append_close(SDL_RWops* stream) {
    SDL_FreeRW(stream);
    return 0;
}

std::string write_png(SDL_Surface* surface, const std::string& path) {
    if (surface == nullptr) {
        return "cannot write " + path + ": " + SDL_GetError();
    }
    std::string png;
    SDL_RWops* stream = SDL_AllocRW();
    if (stream == nullptr) {
        SDL_FreeSurface(surface);
        return "cannot write " + path + ": " + SDL_GetError();
    }
    stream->size = append_size;
    stream->seek = append_seek;
    stream->read = append_read;
    stream->write = append_write;
    stream->close = append_close;
    stream->type = SDL_RWOPS_UNKNOWN;
    stream->hidden.unknown.data1 = &png;
    const int status = IMG_SavePNG_RW(surface, stream, 1);
    SDL_FreeSurface(surface);
    if (status != 0) {
        return "cannot write " + path + ": " + IMG_GetError();
    }
    return write_file_whole(path, png);
}

// Decodes with standard error caught: the image libraries write their own
// errors there (libpng's "libpng error: ..."), on lines of their own, where
// the renderer promises one error line. What they wrote goes into `said`,
// on one line.
SDL_Surface* decode(const std::vector<std::uint8_t>& bytes, std::string& said) {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    std::FILE* caught = std::tmpfile();
    const bool catching =
        saved >= 0 && caught != nullptr && dup2(fileno(caught), STDERR_FILENO) >= 0;
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* surface = stream != nullptr ? IMG_Load_RW(stream, 1) : nullptr;
    std::fflush(stderr);
    if (catching) {
        dup2(saved, STDERR_FILENO);
        std::rewind(caught);
        char text[512];
        const std::size_t got = std::fread(text, 1, sizeof text - 1, caught);
        for (std::size_t k = 0; k < got; ++k) {
            said += text[k] == '\n' ? ' ' : text[k];
        }
        while (!said.empty() && said.back() == ' ') {
            said.pop_back();
        }
    }
    if (saved >= 0) {
        close(saved);
    }
    if (caught != nullptr) {
        std::fclose(caught);
    }
    return surface;
}

}  // namespace

std::string load_user_picture(const std::string& path, TileSheet& sheet) {
    const FileBytes file = read_regular_file(path.c_str(), kMaxPictureFileBytes);
    switch (file.status) {
        case FileBytes::Status::kRead:
            break;
        case FileBytes::Status::kNotRegular:
            return path + ": expected a regular file, found " + file.found;
        case FileBytes::Status::kTooLarge:
            return path + ": expected a file of at most " + std::to_string(kMaxPictureFileBytes) +
                   " bytes, found " + file.found;
        case FileBytes::Status::kCannotOpen:
            return path + ": cannot open: " + file.found;
        case FileBytes::Status::kCannotRead:
            return path + ": cannot read: " + file.found;
    }
    if (file.bytes.empty()) {
        return path + ": empty file";
    }
    const Format format = format_of(file.bytes);
    if (format == Format::kOther) {
        return path + ": not a PNG, JPEG or BMP image";
    }
    Claim claim;
    if (claimed_size(file.bytes, format, claim) &&
        (claim.width > kMaxPictureSide || claim.height > kMaxPictureSide)) {
        return too_large(path, claim.width, claim.height, "a header claiming");
    }
    std::string said;
    SDL_Surface* decoded = decode(file.bytes, said);
    if (decoded == nullptr) {
        return path + ": cannot decode: " + IMG_GetError() +
               (said.empty() ? "" : " (" + said + ")");
    }
    if (decoded->w <= 0 || decoded->h <= 0) {
        const std::string size = std::to_string(decoded->w) + " x " + std::to_string(decoded->h);
        SDL_FreeSurface(decoded);
        return path + ": empty image (" + size + " pixels)";
    }
    if (decoded->w > kMaxPictureSide || decoded->h > kMaxPictureSide) {
        const std::string message = too_large(path, decoded->w, decoded->h, "an image of");
        SDL_FreeSurface(decoded);
        return message;
    }
    // Every colour type as red, green, blue and alpha bytes; a colour key
    // becomes alpha 0.
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(decoded);
    if (rgba == nullptr) {
        return path + ": cannot convert: " + SDL_GetError();
    }
    std::vector<std::uint8_t> greys(static_cast<std::size_t>(rgba->w) * rgba->h);
    SDL_LockSurface(rgba);
    for (int y = 0; y < rgba->h; ++y) {
        const auto* p = static_cast<const std::uint8_t*>(rgba->pixels) + y * rgba->pitch;
        for (int x = 0; x < rgba->w; ++x, p += 4) {
            greys[static_cast<std::size_t>(y) * rgba->w + x] = grey_of_rgba(p[0], p[1], p[2], p[3]);
        }
    }
    SDL_UnlockSurface(rgba);
    std::vector<std::uint8_t> fitted = fit_to_sheet(greys, rgba->w, rgba->h);
    SDL_FreeSurface(rgba);
    put_picture(sheet, std::move(fitted));
    return {};
}

std::string write_canvas_png(const Canvas& canvas, const std::string& path) {
    return write_png(surface_of(canvas, 0, 0, canvas.width, canvas.height), path);
}

std::string write_panel_png(const Canvas& canvas, int x, int y, const std::string& path) {
    return write_png(surface_of(canvas, x, y, kSheetSide, kSheetSide), path);
}
