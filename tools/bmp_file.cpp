#include "tools/bmp_file.hpp"

#include <cstdio>

#include "files/bmp_file.hpp"
#include "files/output_files.hpp"

namespace zarvo_tools {
namespace {

bool write_file(const std::string& path, const std::string& bytes) {
    const std::string error = write_file_whole(path, bytes);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool write_bmp_grey8(const std::string& path, const GreyImage& image) {
    return write_file(path, encode_bmp_grey8(image.pixels.data(), image.width, image.height));
}

bool write_bmp_rgb24(const std::string& path, const RgbImage& image) {
    return write_file(path, encode_bmp_rgb24(image.pixels.data(), image.width, image.height,
                                             static_cast<std::size_t>(image.width) * 3));
}

}  // namespace zarvo_tools
