// zarvo-web-sheets: reads the four BMP files with the program's own loaders
// and checks (SDL's decoder) and writes their sheets as a C++ source for the
// web build, which has no SDL: the page then draws from the very bytes the
// program draws from.
//
//   zarvo-web-sheets ASSETS_DIR OUT.cpp
//
// Exit status 0, 1 when a file cannot be read or written, 64 for bad usage.
#include <SDL.h>

#include <cstdio>
#include <string>

#include "display/sheet_bmp.hpp"
#include "inputs/images.hpp"
#include "inputs/picture_sheets.hpp"

namespace {

bool write_sheet(std::FILE* out, const char* name, const TileSheet& sheet, int index) {
    std::fprintf(out, "// %s: %d x %d, rows of %d bytes\nconst std::uint8_t kBytes%d[] = {", name,
                 sheet.width, sheet.height, sheet.pitch, index);
    for (std::size_t k = 0; k < sheet.pixels.size(); ++k) {
        std::fprintf(out, "%s%u,", k % 32 == 0 ? "\n" : "", static_cast<unsigned>(sheet.pixels[k]));
    }
    std::fprintf(out, "};\n\n");
    return std::ferror(out) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zarvo-web-sheets ASSETS_DIR OUT.cpp\n");
        return 64;
    }
    const std::string dir = argv[1];
    const std::string out_path = argv[2];
    struct Item {
        TileSheet* sheet;
        const char* name;
        int cell_size;
        SurfaceCheck check;
    };
    TileSheet font;
    const Item items[] = {
        {&ostrel_sheet, "ostrel-512x512.bmp", kPictureSide, check_picture_surface},
        {&vhs_sheet, "vhs-512x512.bmp", kPictureSide, check_picture_surface},
        {&sierpinsky_sheet, "sierpinsky-512x512.bmp", kPictureSide, check_picture_surface},
        {&font, "font2.bmp", 8, check_font_surface},
    };
    for (const Item& item : items) {
        const std::string path = dir + "/" + item.name;
        if (const std::string error =
                load_bmp(*item.sheet, path.c_str(), item.cell_size, item.check);
            !error.empty()) {
            std::fprintf(stderr, "zarvo-web-sheets: %s\n", error.c_str());
            return 1;
        }
    }
    const std::string temporary = out_path + ".tmp";
    std::FILE* out = std::fopen(temporary.c_str(), "w");
    if (out == nullptr) {
        std::fprintf(stderr, "zarvo-web-sheets: cannot write %s\n", temporary.c_str());
        return 1;
    }
    std::fprintf(out,
                 "// Made by zarvo-web-sheets from the four BMP files, as SDL decoded them.\n"
                 "#include \"web/page_sheets.hpp\"\n\nnamespace {\n\n");
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        ok = ok && write_sheet(out, items[i].name, *items[i].sheet, i);
    }
    std::fprintf(out, "}  // namespace\n\nconst PageSheet kPageSheets[4] = {\n");
    for (int i = 0; i < 4; ++i) {
        const TileSheet& sheet = *items[i].sheet;
        std::fprintf(out, "    {\"%s\", %d, %d, %d, %d, kBytes%d, sizeof kBytes%d},\n",
                     items[i].name, sheet.width, sheet.height, sheet.pitch, items[i].cell_size, i,
                     i);
    }
    std::fprintf(out, "};\n");
    ok = ok && std::ferror(out) == 0;
    ok = std::fclose(out) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), out_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "zarvo-web-sheets: cannot write %s\n", out_path.c_str());
        return 1;
    }
    SDL_Quit();
    return 0;
}
