// BMP by our own reader, a row at a time, giving the colours SDL's loader
// (SDL_LoadBMP_RW, then a conversion to RGBA) gives for every file it
// takes, so that a BMP picture shows as it did when SDL read it, but with
// no surface of the whole picture. Where SDL's result is an accident of its
// memory layout the reader chooses:
// - a 32-bit picture without an alpha mask in its header is opaque (SDL
//   took the fourth byte as alpha when any pixel's was nonzero);
// - a run-length coded picture drops pixels past the end of a line (SDL
//   wrote them into the row below, already read here);
// - a palette index beyond the palette stops the decoding in run-length
//   pictures too (SDL read past its colour map);
// - masks SDL has no pixel format for are taken as they are.
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/picture_decoders.hpp"

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

constexpr long long kFileHeaderBytes = 14;

std::uint32_t le16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}

std::uint32_t le32(const std::uint8_t* p) {
    return le16(p) | le16(p + 2) << 16;
}

// A channel of a pixel: the bits of `mask`, widened to 8 bits as SDL does:
// v * 255 / (2^n - 1) rounded down for n <= 8 bits, the top 8 bits for
// more, and 255 for a channel without bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

Channel channel_of(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) {
        return c;
    }
    while ((mask >> c.shift & 1) == 0) {
        ++c.shift;
    }
    while (c.shift + c.bits < 32 && (mask >> (c.shift + c.bits) & 1) != 0) {
        ++c.bits;
    }
    return c;
}

bool contiguous(std::uint32_t mask) {
    const Channel c = channel_of(mask);
    const std::uint32_t run =
        c.bits == 32 ? 0xFFFFFFFFu : ((std::uint32_t{1} << c.bits) - 1) << c.shift;
    return mask == run;
}

std::uint8_t widen(std::uint32_t pixel, const Channel& c) {
    if (c.bits == 0) {
        return 255;
    }
    const std::uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits > 8) {
        return static_cast<std::uint8_t>(v >> (c.bits - 8));
    }
    return static_cast<std::uint8_t>(v * 255 / ((std::uint32_t{1} << c.bits) - 1));
}

struct Header {
    std::uint32_t pixel_offset = 0;
    std::uint32_t header_bytes = 0;
    long long width = 0;
    long long height = 0;
    bool top_down = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colours_used = 0;
    std::uint32_t masks[4] = {};  // red, green, blue, alpha
    bool has_masks = false;
    bool has_alpha_mask = false;
};

struct Reader {
    PictureStream& stream;
    DecodedPicture& picture;
    Header header;
    std::uint8_t palette[256][3] = {};  // red, green, blue
    std::uint32_t palette_size = 0;     // indexes at or above are refused
    std::vector<std::uint8_t> bytes;    // one stored row
    std::vector<std::uint8_t> indexes;  // one run-length row
};

std::string refuse(const std::string& reason) {
    return "cannot decode: " + reason;
}

bool read_exactly(Reader& r, std::uint8_t* to, std::size_t count) {
    return read_bytes(r.stream, to, count) == count;
}

std::string cut_short(const Reader& r, const char* where) {
    if (r.stream.error != 0) {
        return refuse(std::strerror(r.stream.error));
    }
    return refuse(std::string("the file ends inside the ") + where);
}

std::string read_header(Reader& r) {
    Header& h = r.header;
    std::uint8_t head[kFileHeaderBytes + 4];
    if (!read_exactly(r, head, sizeof head)) {
        return cut_short(r, "header");
    }
    if (head[0] != 'B' || head[1] != 'M') {
        return refuse("not a BMP file");
    }
    h.pixel_offset = le32(head + 10);
    h.header_bytes = le32(head + 14);
    std::uint8_t info[52] = {};
    if (h.header_bytes == 12) {
        if (!read_exactly(r, info, 8)) {
            return cut_short(r, "header");
        }
        h.width = le16(info);
        h.height = le16(info + 2);
        h.bits = static_cast<int>(le16(info + 6));
        // The palette of an old-style header is read as SDL reads it: as
        // many entries as an 8-bit picture has.
    } else if (h.header_bytes >= 40) {
        // The rest of the 40-byte header, then the three masks, which a
        // BITFIELDS picture keeps right after it whatever the header's
        // length, and the alpha mask of a header of 56 bytes or more.
        if (!read_exactly(r, info, 36)) {
            return cut_short(r, "header");
        }
        h.width = static_cast<std::int32_t>(le32(info));
        const std::int32_t height = static_cast<std::int32_t>(le32(info + 4));
        h.top_down = height < 0;
        h.height = height < 0 ? -static_cast<long long>(height) : height;
        h.bits = static_cast<int>(le16(info + 10));
        h.compression = le32(info + 12);
        h.colours_used = le32(info + 28);
        if (h.header_bytes != 64 && h.compression == kBitFields) {
            const int masks = h.header_bytes >= 56 ? 4 : 3;
            std::uint8_t raw[16];
            if (!read_exactly(r, raw, static_cast<std::size_t>(4 * masks))) {
                return cut_short(r, "header");
            }
            for (int k = 0; k < masks; ++k) {
                h.masks[k] = le32(raw + 4 * k);
            }
            h.has_masks = true;
            h.has_alpha_mask = masks == 4;
        }
    } else {
        return refuse("a BMP header of " + std::to_string(h.header_bytes) + " bytes");
    }
    if (h.width <= 0 || h.height == 0) {
        return refuse("a BMP image of " + std::to_string(h.width) + " x " +
                      std::to_string(h.height) + " pixels");
    }
    return {};
}

// The layout of the pixels, checked before anything is read for them.
std::string check_layout(Reader& r) {
    Header& h = r.header;
    switch (h.bits) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 15:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return refuse("a BMP image of " + std::to_string(h.bits) + " bits per pixel");
    }
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if ((h.compression == kRle8 && h.bits != 8) || (h.compression == kRle4 && h.bits != 4) ||
        (h.compression == kBitFields && h.bits != 16 && h.bits != 32) ||
        (h.compression != kRgb && h.compression != kBitFields && !rle)) {
        return refuse("BMP compression " + std::to_string(h.compression) + " at " +
                      std::to_string(h.bits) + " bits per pixel");
    }
    if (h.compression == kBitFields) {
        // SDL's pixel formats, in the few ways its table reads masks.
        std::uint32_t* m = h.masks;
        if (m[0] == 0) {
            m[0] = h.bits == 16 ? 0xF800 : 0xFF0000;
            m[1] = h.bits == 16 ? 0x07E0 : 0xFF00;
            m[2] = h.bits == 16 ? 0x001F : 0xFF;
            m[3] = 0;
        } else if (h.bits == 16 && m[0] == 0x003F && m[1] == 0x07C0 && m[2] == 0xF800 &&
                   m[3] == 0) {
            m[0] = 0xF800;
            m[1] = 0x07E0;
            m[2] = 0x001F;
        }
        for (int k = 0; k < 4; ++k) {
            if (!contiguous(m[k]) || (h.bits == 16 && m[k] > 0xFFFF)) {
                return refuse("a BMP colour mask of " + std::to_string(m[k]));
            }
        }
    } else if (h.bits == 15 || h.bits == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    } else if (h.bits == 32) {
        // No alpha: a BI_RGB picture's fourth byte is padding.
        h.masks[0] = 0xFF0000;
        h.masks[1] = 0xFF00;
        h.masks[2] = 0xFF;
        h.masks[3] = 0;
    }
    return {};
}

std::string read_palette(Reader& r) {
    const Header& h = r.header;
    if (h.bits > 8) {
        return {};
    }
    // SDL widens 1, 2 and 4 bits to a byte first, and counts the palette
    // of the byte: 256 entries unless the header says fewer.
    std::uint32_t entries = h.colours_used == 0 || h.colours_used > 256 ? 256 : h.colours_used;
    const std::uint32_t used = std::uint32_t{1} << h.bits;
    r.palette_size = entries;
    if (!seek_to(r.stream, kFileHeaderBytes + h.header_bytes)) {
        return refuse("the palette lies beyond the end of the file");
    }
    const std::size_t entry_bytes = h.header_bytes == 12 ? 3 : 4;
    // Only the entries an index can reach are needed; SDL read past the
    // real palette silently, so its missing tail is not an error.
    const std::uint32_t reachable = std::min(entries, used);
    for (std::uint32_t k = 0; k < reachable; ++k) {
        std::uint8_t bgr[4];
        if (!read_exactly(r, bgr, entry_bytes)) {
            return cut_short(r, "palette");
        }
        r.palette[k][0] = bgr[2];
        r.palette[k][1] = bgr[1];
        r.palette[k][2] = bgr[0];
    }
    return {};
}

std::string out_of_palette() {
    return refuse("a pixel with a colour out of the palette");
}

// Greys of palette indexes.
bool grey_indexes(Reader& r, const std::uint8_t* indexes, long long count) {
    std::uint8_t* greys = r.picture.greys.data();
    for (long long x = 0; x < count; ++x) {
        if (indexes[x] >= r.palette_size) {
            return false;
        }
        const std::uint8_t* c = r.palette[indexes[x]];
        greys[x] = grey_of_rgb(c[0], c[1], c[2]);
    }
    return true;
}

std::string read_rows(Reader& r) {
    const Header& h = r.header;
    const long long w = h.width;
    const long long row_bytes = (w * h.bits + 31) / 32 * 4;
    // SDL reads a packed row of 1, 2 or 4 bits without its padding, and
    // lets the padding of the last row be missing.
    const long long needed = h.bits < 8 ? (w * h.bits + 7) / 8 : row_bytes;
    r.bytes.resize(static_cast<std::size_t>(row_bytes));
    r.indexes.resize(static_cast<std::size_t>(w));
    Channel channels[4];
    for (int k = 0; k < 4; ++k) {
        channels[k] = channel_of(h.masks[k]);
    }
    // RGB 5-6-5 goes through a table in SDL that splits green across the
    // two bytes: each part is widened on its own and the two added.
    const bool split_green = h.bits == 16 && h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 &&
                             h.masks[2] == 0x001F && h.masks[3] == 0;
    const int bytes_per_pixel = h.bits == 15 ? 2 : h.bits / 8;
    std::uint8_t* greys = r.picture.greys.data();
    for (long long k = 0; k < h.height; ++k) {
        const long long y = h.top_down ? k : h.height - 1 - k;
        if (!read_exactly(r, r.bytes.data(), static_cast<std::size_t>(needed))) {
            return cut_short(r, "pixels");
        }
        if (k + 1 < h.height && needed < row_bytes &&
            !read_exactly(r, r.bytes.data() + needed,
                          static_cast<std::size_t>(row_bytes - needed))) {
            return cut_short(r, "pixels");
        }
        const std::uint8_t* row = r.bytes.data();
        if (h.bits <= 8) {
            const int per_byte = 8 / h.bits;
            for (long long x = 0; x < w; ++x) {
                const int shift = 8 - h.bits * (1 + static_cast<int>(x % per_byte));
                r.indexes[static_cast<std::size_t>(x)] =
                    static_cast<std::uint8_t>(row[x / per_byte] >> shift & ((1 << h.bits) - 1));
            }
            if (!grey_indexes(r, r.indexes.data(), w)) {
                return out_of_palette();
            }
        } else if (h.bits == 24) {
            for (long long x = 0; x < w; ++x) {
                greys[x] = grey_of_rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            }
        } else {
            for (long long x = 0; x < w; ++x) {
                const std::uint8_t* p = row + bytes_per_pixel * x;
                const std::uint32_t pixel = bytes_per_pixel == 2 ? le16(p) : le32(p);
                std::uint8_t green = widen(pixel, channels[1]);
                if (split_green) {
                    const std::uint32_t g = (pixel >> 5) & 63;
                    green = static_cast<std::uint8_t>((g & 0x38) * 255 / 63 + (g & 7) * 255 / 63);
                }
                greys[x] = grey_of_rgba(widen(pixel, channels[0]), green, widen(pixel, channels[2]),
                                        widen(pixel, channels[3]));
            }
        }
        fit_row(r.picture.fit, static_cast<int>(y), greys, static_cast<int>(w));
    }
    return {};
}

// Run-length coding: rows from the bottom up (whatever the sign of the
// height, as SDL reads them), rows and pixels never written are index 0.
struct RleCursor {
    long long row = 0;  // counted from the bottom
    long long column = 0;
    bool dirty = false;
};

bool flush_row(Reader& r, RleCursor& cursor) {
    const Header& h = r.header;
    if (cursor.row < h.height) {
        if (!grey_indexes(r, r.indexes.data(), h.width)) {
            return false;
        }
        fit_row(r.picture.fit, static_cast<int>(h.height - 1 - cursor.row), r.picture.greys.data(),
                static_cast<int>(h.width));
    }
    std::fill(r.indexes.begin(), r.indexes.end(), 0);
    ++cursor.row;
    cursor.column = 0;
    return true;
}

void put(Reader& r, RleCursor& cursor, std::uint8_t index) {
    if (cursor.column < r.header.width) {
        r.indexes[static_cast<std::size_t>(cursor.column)] = index;
    }
    ++cursor.column;
}

std::string read_rle(Reader& r) {
    const Header& h = r.header;
    const bool four = h.compression == kRle4;
    r.indexes.assign(static_cast<std::size_t>(h.width), 0);
    RleCursor cursor;
    auto next = [&r](std::uint8_t& byte) { return read_exactly(r, &byte, 1); };
    for (;;) {
        std::uint8_t count = 0;
        std::uint8_t value = 0;
        if (!next(count) || !next(value)) {
            return cut_short(r, "pixels");
        }
        if (count != 0) {
            for (int k = 0; k < count; ++k) {
                put(r, cursor, four ? (k % 2 == 0 ? value >> 4 : value & 15) : value);
            }
            continue;
        }
        if (value == 0) {  // end of line
            if (!flush_row(r, cursor)) {
                return out_of_palette();
            }
        } else if (value == 1) {  // end of bitmap: the rows left are index 0
            while (cursor.row < h.height) {
                if (!flush_row(r, cursor)) {
                    return out_of_palette();
                }
            }
            return {};
        } else if (value == 2) {  // move right and up
            std::uint8_t dx = 0;
            std::uint8_t dy = 0;
            if (!next(dx) || !next(dy)) {
                return cut_short(r, "pixels");
            }
            const long long column = cursor.column + dx;
            for (int k = 0; k < dy; ++k) {
                if (!flush_row(r, cursor)) {
                    return out_of_palette();
                }
            }
            cursor.column = column;
        } else {  // `value` pixels as they are, padded to an even byte count
            const int bytes = four ? (value + 1) / 2 : value;
            for (int k = 0; k < bytes; ++k) {
                std::uint8_t byte = 0;
                if (!next(byte)) {
                    return cut_short(r, "pixels");
                }
                if (four) {
                    put(r, cursor, byte >> 4);
                    if (2 * k + 1 < value) {
                        put(r, cursor, byte & 15);
                    }
                } else {
                    put(r, cursor, byte);
                }
            }
            std::uint8_t pad = 0;
            if (bytes % 2 == 1 && !next(pad)) {
                return cut_short(r, "pixels");
            }
        }
    }
}

}  // namespace

std::string decode_bmp(PictureStream& stream, DecodedPicture& picture) {
    Reader r{stream, picture, {}, {}, 0, {}, {}};
    std::string error = read_header(r);
    if (error.empty()) {
        error = start_picture(picture, r.header.width, r.header.height);
    }
    if (error.empty()) {
        error = check_layout(r);
    }
    if (error.empty()) {
        error = read_palette(r);
    }
    if (!error.empty()) {
        return error;
    }
    if (!seek_to(stream, r.header.pixel_offset)) {
        return refuse("the pixels lie beyond the end of the file");
    }
    const bool rle = r.header.compression == kRle8 || r.header.compression == kRle4;
    return rle ? read_rle(r) : read_rows(r);
}
