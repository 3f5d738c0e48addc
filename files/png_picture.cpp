// PNG through libpng, a row at a time. An interlaced picture is read pass
// by pass: each pass's rows go into the fit where their pixels lie, so no
// pass is ever put together into whole rows.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "files/exif_orientation.hpp"
#include "files/picture_decoders.hpp"

namespace {

// What the handlers reach through libpng's pointers. Plain data: libpng
// leaves a failed decoding by longjmp, past the frames in between.
struct PngReading {
    PictureStream* stream;
    char reason[200];
};

[[noreturn]] void stop(png_structp png, png_const_charp message) {
    auto* reading = static_cast<PngReading*>(png_get_error_ptr(png));
    std::snprintf(reading->reason, sizeof reading->reason, "%s", message);
    png_longjmp(png, 1);
}

// Warnings are about things libpng got past without harm to the pixels
// (an odd ancillary value, a known-incorrect colour profile); faults in the
// data are errors, since the checksums are made strict below.
void ignore_warning(png_structp, png_const_charp) {}

void read_data(png_structp png, png_bytep to, std::size_t count) {
    auto* reading = static_cast<PngReading*>(png_get_io_ptr(png));
    const std::size_t got = read_bytes(*reading->stream, to, count);
    if (got != count) {
        if (reading->stream->error != 0) {
            png_error(png, std::strerror(reading->stream->error));
        }
        png_error(png, "premature end of file");
    }
}

// Adam7: first column, column step, first row, row step of each pass.
constexpr int kPasses[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                               {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

// Everything that lives across the setjmp: allocated before it, so that
// nothing with a destructor is skipped by the longjmp.
struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_byte> row;
    std::string error;
};

// Greys `count` pixels of `channels` bytes each (grey, grey + alpha, RGB,
// RGBA, 8 bits a sample) into picture.greys.
void grey_row(const png_byte* row, int count, int channels, DecodedPicture& picture) {
    std::uint8_t* greys = picture.greys.data();
    switch (channels) {
        case 1:
            std::memcpy(greys, row, static_cast<std::size_t>(count));
            break;
        case 2:
            for (int x = 0; x < count; ++x) {
                const png_byte g = row[2 * x];
                greys[x] = grey_of_rgba(g, g, g, row[2 * x + 1]);
            }
            break;
        case 3:
            for (int x = 0; x < count; ++x) {
                greys[x] = grey_of_rgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
            }
            break;
        default:
            for (int x = 0; x < count; ++x) {
                greys[x] = grey_of_rgba(row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]);
            }
            break;
    }
}

// Kept out of line: its strings must not join the frame that calls setjmp.
[[gnu::noinline]] void decode(PngState& state, PngReading& reading, DecodedPicture& picture) {
    png_structp png = state.png;
    png_infop info = state.info;
    png_set_read_fn(png, &reading, read_data);
    // A damaged chunk, ancillary or not, is an error: a cut or corrupted
    // download shows up as a checksum that does not match.
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_user_limits(png, static_cast<png_uint_32>(picture.max_side),
                        static_cast<png_uint_32>(picture.max_side));
    // Chunks that do not change the pixels are skipped (their checksums
    // still checked), so that no text or profile is inflated; tRNS is kept
    // by libpng itself, eXIf for the orientation.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte kKept[] = {'e', 'X', 'I', 'f', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kKept, 1);

    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colour = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    state.error = start_picture(picture, width, height);
    if (!state.error.empty()) {
        return;
    }
    // Only an eXIf before the image data counts, as in browsers.
    png_uint_32 exif_size = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exif_size, &exif) != 0) {
        picture.orientation = exif_orientation(exif, exif_size);
    }

    // Palette entries and samples of 1, 2 or 4 bits become 8-bit samples, a
    // transparent colour or palette alpha becomes an alpha channel, and a
    // 16-bit sample keeps its high byte.
    png_set_expand(png);
    png_set_strip_16(png);
    const int passes = interlace == PNG_INTERLACE_ADAM7 ? 7 : 1;
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    state.row.resize(png_get_rowbytes(png, info));
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    for (int pass = 0; pass < passes; ++pass) {
        const int* p = passes == 1 ? kPasses[6] : kPasses[pass];
        const int first_column = passes == 1 ? 0 : p[0];
        const int column_step = passes == 1 ? 1 : p[1];
        const int first_row = passes == 1 ? 0 : p[2];
        const int row_step = passes == 1 ? 1 : p[3];
        if (first_column >= w || first_row >= h) {
            continue;  // an empty pass has no rows in the data
        }
        const int count = (w - first_column + column_step - 1) / column_step;
        for (int y = first_row; y < h; y += row_step) {
            png_read_row(png, state.row.data(), nullptr);
            grey_row(state.row.data(), count, channels, picture);
            fit_row(picture.fit, y, picture.greys.data(), count, first_column, column_step);
        }
    }
    // The rest of the file up to IEND, checksums included: a file cut after
    // its image data is still a cut file.
    png_read_end(png, nullptr);
}

// The only frame that calls setjmp: it holds nothing with a destructor and
// builds no string, so that the longjmp back into it skips no cleanup and
// clobbers nothing. False when libpng failed, its reason in reading.reason.
bool decode_guarded(PngReading& reading, PngState& state, DecodedPicture& picture) {
    if (setjmp(png_jmpbuf(state.png)) != 0) {
        return false;
    }
    decode(state, reading, picture);
    return true;
}

}  // namespace

std::string decode_png(PictureStream& stream, DecodedPicture& picture) {
    PngReading reading{&stream, {}};
    PngState state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, stop, ignore_warning);
    if (state.png == nullptr) {
        return "cannot decode: libpng could not start";
    }
    state.info = png_create_info_struct(state.png);
    if (state.info == nullptr) {
        png_destroy_read_struct(&state.png, nullptr, nullptr);
        return "cannot decode: libpng could not start";
    }
    const bool decoded = decode_guarded(reading, state, picture);
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    if (!decoded) {
        return std::string("cannot decode: ") + reading.reason;
    }
    return state.error;
}
