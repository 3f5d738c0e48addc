#include "app/picture_files.hpp"

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "files/png_file.hpp"
#include "files/user_picture.hpp"
#include "inputs/grey_sheet.hpp"
#include "inputs/images.hpp"

std::string load_user_picture(const std::string& path, TileSheet& sheet) {
    std::vector<std::uint8_t> greys;
    if (std::string error = read_user_picture(path, greys); !error.empty()) {
        return error;
    }
    put_picture(sheet, std::move(greys));
    return {};
}

namespace {

std::string encode_region(const Canvas& canvas, int x, int y, int width, int height,
                          const std::string& path, std::string& png) {
    const std::string error = encode_png(canvas.pixels + pixel_offset(canvas, x, y), width, height,
                                         static_cast<std::size_t>(canvas.width) * 3, png);
    return error.empty() ? error : "cannot write " + path + ": " + error;
}

}  // namespace

std::string encode_canvas_png(const Canvas& canvas, const std::string& path, std::string& png) {
    return encode_region(canvas, 0, 0, canvas.width, canvas.height, path, png);
}

std::string encode_panel_png(const Canvas& canvas, int x, int y, const std::string& path,
                             std::string& png) {
    return encode_region(canvas, x, y, kPanelSide, kPanelSide, path, png);
}
