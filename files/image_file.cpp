#include "files/image_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "files/bmp_file.hpp"
#include "files/output_files.hpp"

namespace {

// "photo.PNG" is as much a PNG file as "photo.png".
bool ends_with(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (s.size() < n) {
        return false;
    }
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(s[s.size() - n + k]);
        if (std::tolower(c) != suffix[k]) {
            return false;
        }
    }
    return true;
}

std::string encode_ppm(const Canvas& canvas) {
    std::string out =
        "P6\n" + std::to_string(canvas.width) + " " + std::to_string(canvas.height) + "\n255\n";
    out.append(reinterpret_cast<const char*>(canvas.pixels),
               static_cast<std::size_t>(canvas.width) * canvas.height * 3);
    return out;
}

}  // namespace

ImageFormat image_format_of(const std::string& path) {
    if (ends_with(path, ".ppm")) {
        return ImageFormat::kPpm;
    }
    if (ends_with(path, ".bmp")) {
        return ImageFormat::kBmp;
    }
    return ends_with(path, ".png") ? ImageFormat::kPng : ImageFormat::kUnknown;
}

std::string encode_canvas_image(const Canvas& canvas, ImageFormat format) {
    if (format == ImageFormat::kPpm) {
        return encode_ppm(canvas);
    }
    if (format == ImageFormat::kBmp) {
        return encode_bmp_rgb24(canvas.pixels, canvas.width, canvas.height,
                                static_cast<std::size_t>(canvas.width) * 3);
    }
    return {};
}

std::string write_canvas_image(const Canvas& canvas, const std::string& path) {
    const ImageFormat format = image_format_of(path);
    if (format != ImageFormat::kPpm && format != ImageFormat::kBmp) {
        return "cannot tell the image format of " + path + " (use .ppm or .bmp)";
    }
    return write_file_whole(path, encode_canvas_image(canvas, format));
}

std::string read_ppm(const std::string& path, RgbImage& image) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "cannot open " + path;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t pos = 0;
    long values[4] = {};
    std::string magic;
    for (int field = 0; field < 4; ++field) {
        for (;;) {
            while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) {
                ++pos;
            }
            if (pos < data.size() && data[pos] == '#') {
                pos = data.find('\n', pos);
                if (pos == std::string::npos) {
                    return path + ": header ends inside a comment";
                }
                continue;
            }
            break;
        }
        const std::size_t start = pos;
        while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) {
            ++pos;
        }
        const std::string token = data.substr(start, pos - start);
        if (field == 0) {
            magic = token;
        } else {
            char* end = nullptr;
            values[field] = std::strtol(token.c_str(), &end, 10);
            if (token.empty() || *end != '\0' || values[field] <= 0 || values[field] > 65535) {
                return path + ": bad header field '" + token + "'";
            }
        }
    }
    if (magic != "P6" || values[3] != 255) {
        return path + ": not a binary 8-bit PPM";
    }
    ++pos;  // the single whitespace byte after maxval
    const std::size_t bytes = static_cast<std::size_t>(values[1]) * values[2] * 3;
    if (pos > data.size() || data.size() - pos < bytes) {
        return path + ": pixel data is short";
    }
    image.width = static_cast<int>(values[1]);
    image.height = static_cast<int>(values[2]);
    image.pixels.assign(data.begin() + static_cast<std::ptrdiff_t>(pos),
                        data.begin() + static_cast<std::ptrdiff_t>(pos + bytes));
    return {};
}
