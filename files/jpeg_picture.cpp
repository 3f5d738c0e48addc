// JPEG through libjpeg(-turbo), a scanline at a time.
//
// A progressive (or otherwise multi-scan) JPEG cannot be put out before its
// last scan: libjpeg keeps every DCT coefficient of the picture, two bytes
// each, until then; up to 1.5 GiB at 16384 x 16384. Its own memory manager
// has no backing store in Debian's build, so the coefficient arrays are
// ours: in memory while they are small, else in an unnamed temporary file,
// read and written through a window of a few block rows as libjpeg walks
// them (it asks for each array's rows in order within a scan).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "files/exif_orientation.hpp"
#include "files/picture_decoders.hpp"

namespace {

// No encoder in use writes more than a few dozen scans; each scan may walk
// every coefficient of the picture again, so a file of many scans could
// take minutes.
constexpr int kMaxScans = 100;

// Coefficient arrays up to this size, all arrays together, stay in memory.
constexpr long long kCoefficientsInMemory = 32LL << 20;
// A file-backed array's window: at least this many bytes of block rows.
constexpr long long kWindowBytes = 1LL << 20;

// One virtual block array. Rows [first, first + count) of it are in
// `window` (count <= rows_in_window); the rest are in the file at `at`.
struct CoefficientArray {
    JDIMENSION rows = 0;
    JDIMENSION blocks_per_row = 0;
    JDIMENSION max_access = 0;
    bool pre_zero = false;
    JBLOCKROW storage = nullptr;  // rows_in_window rows
    JBLOCKARRAY window = nullptr;
    JDIMENSION rows_in_window = 0;
    JDIMENSION first = 0;
    bool loaded = false;
    bool dirty = false;
    long long at = 0;
    CoefficientArray* next = nullptr;
};

// What the handlers reach through cinfo->client_data. Plain data: libjpeg
// leaves a failed decoding by longjmp, past the frames in between.
struct JpegReading {
    std::jmp_buf on_error;
    char reason[JMSG_LENGTH_MAX + 100];
    PictureStream* stream;
    bool handed;  // the stream's unconsumed bytes are libjpeg's
    struct jpeg_source_mgr source;
    struct jpeg_progress_mgr progress;
    // The EXIF block of the first APP1 segment that holds one.
    std::uint8_t exif[65536];
    std::size_t exif_size;
    bool exif_seen;
    // The coefficient arrays, and libjpeg's own methods they replace.
    CoefficientArray* arrays;
    int scratch_fd;
    void (*realize_own)(j_common_ptr);
    void (*free_pool_own)(j_common_ptr, int);
    void (*self_destruct_own)(j_common_ptr);
};

JpegReading& reading_of(j_common_ptr cinfo) {
    return *static_cast<JpegReading*>(cinfo->client_data);
}

[[noreturn]] void fail(j_common_ptr cinfo, const char* reason) {
    JpegReading& reading = reading_of(cinfo);
    std::snprintf(reading.reason, sizeof reading.reason, "%s", reason);
    std::longjmp(reading.on_error, 1);
}

[[noreturn]] void stop(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    fail(cinfo, message);
}

// A warning is libjpeg finding damage it could paper over (a premature end,
// a corrupt entropy-coded segment, a missing restart marker): the picture
// it would give is not the one in the file, so it stops the decoding. Two
// are about labels only and change no pixel.
void warn(j_common_ptr cinfo, int level) {
    if (level >= 0) {
        return;  // trace messages
    }
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM) {
        return;
    }
    stop(cinfo);
}

void say_nothing(j_common_ptr) {}

void check_scans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        char reason[100];
        std::snprintf(reason, sizeof reason, "more than %d scans", kMaxScans);
        fail(cinfo, reason);
    }
}

// The source: the stream's pieces, as they are read.
void start_source(j_decompress_ptr) {}

boolean fill_source(j_decompress_ptr cinfo) {
    JpegReading& reading = reading_of(reinterpret_cast<j_common_ptr>(cinfo));
    PictureStream& stream = *reading.stream;
    if (reading.handed) {
        stream.next = stream.end;  // what libjpeg was given is consumed
    }
    reading.handed = true;
    const std::size_t got = fill(stream);
    if (got == 0) {
        if (stream.error != 0) {
            fail(reinterpret_cast<j_common_ptr>(cinfo), std::strerror(stream.error));
        }
        WARNMS(cinfo, JWRN_JPEG_EOF);  // stops: see warn
    }
    cinfo->src->next_input_byte = stream.buffer.data() + stream.next;
    cinfo->src->bytes_in_buffer = got;
    return TRUE;
}

void skip_source(j_decompress_ptr cinfo, long count) {
    while (count > 0) {
        if (cinfo->src->bytes_in_buffer == 0) {
            fill_source(cinfo);
        }
        const std::size_t take =
            std::min(cinfo->src->bytes_in_buffer, static_cast<std::size_t>(count));
        cinfo->src->next_input_byte += take;
        cinfo->src->bytes_in_buffer -= take;
        count -= static_cast<long>(take);
    }
}

void end_source(j_decompress_ptr) {}

int next_byte(j_decompress_ptr cinfo) {
    if (cinfo->src->bytes_in_buffer == 0) {
        fill_source(cinfo);
    }
    --cinfo->src->bytes_in_buffer;
    return *cinfo->src->next_input_byte++;
}

// APP1: the first segment that starts "Exif\0\0" is kept (at most 64 KiB),
// every other one skipped, so that a file of many segments costs nothing.
boolean read_app1(j_decompress_ptr cinfo) {
    JpegReading& reading = reading_of(reinterpret_cast<j_common_ptr>(cinfo));
    int length = next_byte(cinfo) << 8;
    length += next_byte(cinfo);
    length -= 2;
    if (length <= 0) {
        return TRUE;
    }
    static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::uint8_t head[6];
    int taken = 0;
    while (taken < length && taken < 6) {
        head[taken++] = static_cast<std::uint8_t>(next_byte(cinfo));
    }
    if (reading.exif_seen || taken < 6 || std::memcmp(head, kExif, 6) != 0) {
        skip_source(cinfo, length - taken);
        return TRUE;
    }
    reading.exif_seen = true;
    reading.exif_size = static_cast<std::size_t>(length - taken);
    for (std::size_t k = 0; k < reading.exif_size; ++k) {
        reading.exif[k] = static_cast<std::uint8_t>(next_byte(cinfo));
    }
    return TRUE;
}

// The coefficient arrays.
CoefficientArray* array_of(jvirt_barray_ptr ptr) {
    return reinterpret_cast<CoefficientArray*>(ptr);
}

jvirt_barray_ptr request_array(j_common_ptr cinfo, int pool_id, boolean pre_zero,
                               JDIMENSION blocks_per_row, JDIMENSION rows, JDIMENSION max_access) {
    if (pool_id != JPOOL_IMAGE) {
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, pool_id);
    }
    JpegReading& reading = reading_of(cinfo);
    auto* array = static_cast<CoefficientArray*>(std::calloc(1, sizeof(CoefficientArray)));
    if (array == nullptr) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 100);
    }
    array->rows = rows;
    array->blocks_per_row = blocks_per_row;
    array->max_access = max_access;
    array->pre_zero = pre_zero != FALSE;
    array->next = reading.arrays;
    reading.arrays = array;
    return reinterpret_cast<jvirt_barray_ptr>(array);
}

void io_failed(j_common_ptr cinfo, const char* what, int error) {
    char reason[300];
    std::snprintf(reason, sizeof reason,
                  "cannot %s the coefficients of a multi-scan JPEG in a temporary file: %s", what,
                  std::strerror(error));
    fail(cinfo, reason);
}

int open_scratch(j_common_ptr cinfo) {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || folder[0] == '\0') {
        folder = "/tmp";
    }
    int fd = open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Not every file system has unnamed files: a named one, unlinked
        // at once.
        char name[4200];
        std::snprintf(name, sizeof name, "%s/zarvo-coefficients-XXXXXX", folder);
        fd = mkstemp(name);
        if (fd < 0) {
            io_failed(cinfo, "keep", errno);
        }
        unlink(name);
    }
    return fd;
}

void realize_arrays(j_common_ptr cinfo) {
    JpegReading& reading = reading_of(cinfo);
    reading.realize_own(cinfo);
    long long total = 0;
    for (CoefficientArray* a = reading.arrays; a != nullptr; a = a->next) {
        if (a->window == nullptr) {
            total += static_cast<long long>(a->rows) * a->blocks_per_row * sizeof(JBLOCK);
        }
    }
    const bool in_memory = total <= kCoefficientsInMemory;
    long long at = 0;
    for (CoefficientArray* a = reading.arrays; a != nullptr; a = a->next) {
        if (a->window != nullptr) {
            continue;
        }
        const long long row_bytes = static_cast<long long>(a->blocks_per_row) * sizeof(JBLOCK);
        JDIMENSION rows = a->rows;
        if (!in_memory) {
            const long long wanted = std::max<long long>(a->max_access, kWindowBytes / row_bytes);
            rows = static_cast<JDIMENSION>(std::min<long long>(a->rows, wanted));
            a->at = at;
            at += row_bytes * a->rows;
        }
        a->rows_in_window = rows;
        a->storage = static_cast<JBLOCKROW>(
            std::calloc(static_cast<std::size_t>(rows), static_cast<std::size_t>(row_bytes)));
        a->window = static_cast<JBLOCKARRAY>(std::calloc(rows, sizeof(JBLOCKROW)));
        if (a->storage == nullptr || a->window == nullptr) {
            ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 101);
        }
        for (JDIMENSION r = 0; r < rows; ++r) {
            a->window[r] = a->storage + static_cast<std::size_t>(r) * a->blocks_per_row;
        }
        // In memory, the window is the array, zeroed by calloc.
        a->loaded = in_memory;
    }
    if (!in_memory && at > 0) {
        if (reading.scratch_fd < 0) {
            reading.scratch_fd = open_scratch(cinfo);
        }
        // A file that has never been written reads as zeros, which is what
        // a pre-zeroed array must hold.
        if (ftruncate(reading.scratch_fd, at) != 0) {
            io_failed(cinfo, "keep", errno);
        }
    }
}

void transfer(j_common_ptr cinfo, CoefficientArray* a, bool write_out) {
    const int fd = reading_of(cinfo).scratch_fd;
    const long long row_bytes = static_cast<long long>(a->blocks_per_row) * sizeof(JBLOCK);
    const JDIMENSION count = std::min(a->rows_in_window, a->rows - a->first);
    auto* bytes = reinterpret_cast<char*>(a->storage);
    std::size_t left = static_cast<std::size_t>(row_bytes * count);
    long long offset = a->at + row_bytes * a->first;
    while (left > 0) {
        const ssize_t done =
            write_out ? pwrite(fd, bytes, left, offset) : pread(fd, bytes, left, offset);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            io_failed(cinfo, write_out ? "write" : "read", done < 0 ? errno : EIO);
        }
        bytes += done;
        left -= static_cast<std::size_t>(done);
        offset += done;
    }
}

JBLOCKARRAY access_array(j_common_ptr cinfo, jvirt_barray_ptr ptr, JDIMENSION start,
                         JDIMENSION count, boolean writable) {
    CoefficientArray* a = array_of(ptr);
    if (a->window == nullptr || count > a->max_access || start > a->rows ||
        count > a->rows - start) {
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    }
    const JDIMENSION end = start + count;
    if (!a->loaded || start < a->first || end > a->first + a->rows_in_window) {
        if (a->loaded && a->dirty) {
            transfer(cinfo, a, true);
        }
        // Walking forward, the window starts at the rows asked for; walking
        // back, it ends there.
        if (!a->loaded || start > a->first) {
            a->first = start;
        } else {
            a->first = end > a->rows_in_window ? end - a->rows_in_window : 0;
        }
        transfer(cinfo, a, false);
        a->loaded = true;
        a->dirty = false;
    }
    if (writable) {
        a->dirty = true;
    }
    return a->window + (start - a->first);
}

void release_arrays(JpegReading& reading) {
    while (reading.arrays != nullptr) {
        CoefficientArray* a = reading.arrays;
        reading.arrays = a->next;
        std::free(a->window);
        std::free(a->storage);
        std::free(a);
    }
    if (reading.scratch_fd >= 0) {
        close(reading.scratch_fd);
        reading.scratch_fd = -1;
    }
}

void free_pool(j_common_ptr cinfo, int pool_id) {
    if (pool_id == JPOOL_IMAGE) {
        release_arrays(reading_of(cinfo));
    }
    reading_of(cinfo).free_pool_own(cinfo, pool_id);
}

void self_destruct(j_common_ptr cinfo) {
    JpegReading& reading = reading_of(cinfo);
    release_arrays(reading);
    reading.self_destruct_own(cinfo);
}

// Ink to light, for the picture's RGB. Photoshop stores CMYK inverted (255
// is no ink) and marks its files with an Adobe APP14 segment; a file
// without one stores the inks. Each channel is the light left by its ink
// and the black, multiplied: (255 - C)(255 - K) / 255, rounded to nearest.
std::uint8_t light(int ink, int black) {
    return static_cast<std::uint8_t>(((255 - ink) * (255 - black) + 127) / 255);
}

void grey_row(const JSAMPLE* row, J_COLOR_SPACE space, bool adobe, DecodedPicture& picture) {
    const int w = static_cast<int>(picture.fit.width);
    std::uint8_t* greys = picture.greys.data();
    if (space == JCS_GRAYSCALE) {
        std::memcpy(greys, row, static_cast<std::size_t>(w));
    } else if (space == JCS_RGB) {
        for (int x = 0; x < w; ++x) {
            greys[x] = grey_of_rgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
        }
    } else {
        const int flip = adobe ? 255 : 0;
        for (int x = 0; x < w; ++x) {
            const JSAMPLE* p = row + 4 * x;
            const int k = p[3] ^ flip;
            greys[x] =
                grey_of_rgb(light(p[0] ^ flip, k), light(p[1] ^ flip, k), light(p[2] ^ flip, k));
        }
    }
}

// Everything that lives across the setjmp: allocated before it, so that
// nothing with a destructor is skipped by the longjmp.
struct JpegState {
    struct jpeg_decompress_struct cinfo;
    struct jpeg_error_mgr errors;
    std::vector<JSAMPLE> row;
    std::string error;
};

// Kept out of line: its strings must not join the frame that calls setjmp.
[[gnu::noinline]] void decode(JpegState& state, DecodedPicture& picture) {
    j_decompress_ptr cinfo = &state.cinfo;
    jpeg_read_header(cinfo, TRUE);
    state.error = start_picture(picture, cinfo->image_width, cinfo->image_height);
    if (!state.error.empty()) {
        return;
    }
    JpegReading& reading = reading_of(reinterpret_cast<j_common_ptr>(cinfo));
    if (reading.exif_seen) {
        picture.orientation = exif_orientation(reading.exif, reading.exif_size);
    }
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo->out_color_space = JCS_GRAYSCALE;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            // libjpeg turns YCCK into CMYK as stored, inverted or not.
            cinfo->out_color_space = JCS_CMYK;
            break;
        default:
            cinfo->out_color_space = JCS_RGB;
            break;
    }
    jpeg_start_decompress(cinfo);
    state.row.resize(static_cast<std::size_t>(cinfo->output_width) *
                     static_cast<std::size_t>(cinfo->output_components));
    const bool adobe = cinfo->saw_Adobe_marker != FALSE;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        JSAMPROW rows[1] = {state.row.data()};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
            fail(reinterpret_cast<j_common_ptr>(cinfo), "no scanline came out");
        }
        grey_row(state.row.data(), cinfo->out_color_space, adobe, picture);
        fit_row(picture.fit, y, picture.greys.data(), static_cast<int>(picture.fit.width));
    }
    // Up to the end of the image: a file cut after its last row is cut.
    jpeg_finish_decompress(cinfo);
}

// The only frame that calls setjmp: it holds nothing with a destructor and
// builds no string, so that the longjmp back into it skips no cleanup and
// clobbers nothing the compiler kept in a register. False when the decoder
// failed, its reason in reading.reason.
bool decode_guarded(JpegReading& reading, JpegState& state, DecodedPicture& picture) {
    j_decompress_ptr cinfo = &state.cinfo;
    cinfo->err = jpeg_std_error(&state.errors);
    state.errors.error_exit = stop;
    state.errors.emit_message = warn;
    state.errors.output_message = say_nothing;
    cinfo->client_data = &reading;
    if (setjmp(reading.on_error) != 0) {
        jpeg_destroy_decompress(cinfo);
        release_arrays(reading);
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->client_data = &reading;
    reading.realize_own = cinfo->mem->realize_virt_arrays;
    reading.free_pool_own = cinfo->mem->free_pool;
    reading.self_destruct_own = cinfo->mem->self_destruct;
    cinfo->mem->request_virt_barray = request_array;
    cinfo->mem->realize_virt_arrays = realize_arrays;
    cinfo->mem->access_virt_barray = access_array;
    cinfo->mem->free_pool = free_pool;
    cinfo->mem->self_destruct = self_destruct;

    reading.source.init_source = start_source;
    reading.source.fill_input_buffer = fill_source;
    reading.source.skip_input_data = skip_source;
    reading.source.resync_to_restart = jpeg_resync_to_restart;
    reading.source.term_source = end_source;
    reading.source.next_input_byte = nullptr;
    reading.source.bytes_in_buffer = 0;
    cinfo->src = &reading.source;
    reading.progress.progress_monitor = check_scans;
    cinfo->progress = &reading.progress;
    jpeg_set_marker_processor(cinfo, JPEG_APP0 + 1, read_app1);

    decode(state, picture);
    jpeg_destroy_decompress(cinfo);
    release_arrays(reading);
    return true;
}

}  // namespace

std::string decode_jpeg(PictureStream& stream, DecodedPicture& picture) {
    // Large (the EXIF buffer): on the heap, zeroed.
    std::vector<JpegReading> readings(1);
    JpegReading& reading = readings[0];
    reading.stream = &stream;
    reading.scratch_fd = -1;
    JpegState state{};
    if (!decode_guarded(reading, state, picture)) {
        return std::string("cannot decode: ") + reading.reason;
    }
    return state.error;
}
