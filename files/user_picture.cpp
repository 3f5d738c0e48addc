#include "files/user_picture.hpp"

#include <unistd.h>

#include <cstring>

#include "files/picture_decoders.hpp"
#include "files/regular_file.hpp"

namespace {

enum class Format { kPng, kJpeg, kBmp, kOther };

Format format_of(const std::uint8_t* head, std::size_t size) {
    static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 8 && std::memcmp(head, png, 8) == 0) {
        return Format::kPng;
    }
    if (size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        return Format::kJpeg;
    }
    if (size >= 2 && head[0] == 'B' && head[1] == 'M') {
        return Format::kBmp;
    }
    return Format::kOther;
}

std::uint32_t big_endian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The size a JPEG's frame header claims: its marker segments walked up to
// the first start of frame (SOF0 .. SOF15, but C4, C8 and CC, which are
// other segments). False when there is none before the image data or the
// file ends first; libjpeg then says what is wrong.
bool jpeg_claim(PictureStream& stream, long long& width, long long& height) {
    seek_to(stream, 2);
    std::uint8_t b[7];
    for (;;) {
        if (read_bytes(stream, b, 2) != 2 || b[0] != 0xFF) {
            return false;
        }
        std::uint8_t marker = b[1];
        while (marker == 0xFF) {  // fill bytes
            if (read_bytes(stream, &marker, 1) != 1) {
                return false;
            }
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0x01 ||
            (marker >= 0xD0 && marker <= 0xD7)) {
            return false;
        }
        if (read_bytes(stream, b, 2) != 2) {
            return false;
        }
        const long long length = b[0] << 8 | b[1];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (read_bytes(stream, b, 5) != 5) {
                return false;
            }
            height = b[1] << 8 | b[2];
            width = b[3] << 8 | b[4];
            return true;
        }
        if (length < 2 || !seek_to(stream, position(stream) + length - 2)) {
            return false;
        }
    }
}

std::string read_stream(PictureStream& stream, long long size, const std::string& name,
                        std::vector<std::uint8_t>& sheet, int max_side) {
    if (size == 0) {
        return name + ": empty file";
    }
    std::uint8_t head[24] = {};
    const std::size_t got = read_bytes(stream, head, sizeof head);
    if (stream.error != 0) {
        return name + ": cannot read: " + std::strerror(stream.error);
    }
    const Format format = format_of(head, got);
    if (format == Format::kOther) {
        return name + ": not a PNG, JPEG or BMP image";
    }
    // A PNG's first chunk is IHDR, its size at a fixed place: refused here
    // before libpng sees it, in the same words as every other claim.
    if (format == Format::kPng && got >= 24 && std::memcmp(head + 12, "IHDR", 4) == 0) {
        const long long width = big_endian32(head + 16);
        const long long height = big_endian32(head + 20);
        if (width > max_side || height > max_side) {
            return name + ": " + too_large(width, height, max_side);
        }
    }
    long long width = 0;
    long long height = 0;
    if (format == Format::kJpeg && jpeg_claim(stream, width, height) &&
        (width > max_side || height > max_side)) {
        return name + ": " + too_large(width, height, max_side);
    }
    seek_to(stream, 0);
    DecodedPicture picture;
    picture.max_side = max_side;
    const std::string error = format == Format::kPng    ? decode_png(stream, picture)
                              : format == Format::kJpeg ? decode_jpeg(stream, picture)
                                                        : decode_bmp(stream, picture);
    if (!error.empty()) {
        return name + ": " + error;
    }
    sheet.resize(static_cast<std::size_t>(kSheetSide) * kSheetSide);
    finish_fit(picture.fit, picture.orientation, sheet.data());
    return {};
}

}  // namespace

std::string too_large(long long width, long long height, int max_side) {
    return "expected an image of at most " + std::to_string(max_side) + " x " +
           std::to_string(max_side) + " pixels, found a header claiming " + std::to_string(width) +
           " x " + std::to_string(height);
}

std::string start_picture(DecodedPicture& picture, long long width, long long height) {
    if (width > picture.max_side || height > picture.max_side) {
        return too_large(width, height, picture.max_side);
    }
    if (width < 1 || height < 1) {
        return "cannot decode: an image of " + std::to_string(width) + " x " +
               std::to_string(height) + " pixels";
    }
    start_fit(picture.fit, static_cast<int>(width), static_cast<int>(height));
    picture.greys.assign(static_cast<std::size_t>(width), 0);
    return {};
}

std::string read_user_picture(const std::string& path, std::vector<std::uint8_t>& sheet) {
    const OpenedFile file = open_regular_file(path.c_str(), kMaxPictureFileBytes);
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
    PictureStream stream;
    open_stream(stream, file.fd, file.size);
    const std::string error = read_stream(stream, file.size, path, sheet, kMaxPictureSide);
    close(file.fd);
    return error;
}

std::string read_user_picture_bytes(const std::uint8_t* bytes, std::size_t size,
                                    const std::string& name, std::vector<std::uint8_t>& sheet,
                                    int max_side) {
    PictureStream stream;
    open_memory_stream(stream, bytes, size);
    return read_stream(stream, static_cast<long long>(size), name, sheet, max_side);
}
