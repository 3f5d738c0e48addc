// The picture tests and the catalogue of the plain generators: the pictures
// are read from the program-wide sheets.
#include <cassert>
#include <cstdint>

#include "inputs/images.hpp"
#include "reference.hpp"

namespace reference {

void fill_from_sheet(ComplexGrid& grid, const TileSheet& sheet) {
    assert(!sheet.pixels.empty());
    reference::fill_from_bytes(grid, sheet.pixels.data());
}

void gen_ostrel_image(float /*phase*/, ComplexGrid& grid) {
    reference::fill_from_sheet(grid, ostrel_sheet);
}

void gen_sierpinsky_image(float /*phase*/, ComplexGrid& grid) {
    reference::fill_from_sheet(grid, sierpinsky_sheet);
}

void gen_vhs_image(float /*phase*/, ComplexGrid& grid) {
    reference::fill_from_sheet(grid, vhs_sheet);
}

const TestEntry* catalogue() {
    static const TestEntry entries[kTestCount] = {
        {gen_ostrel_image, "Ostrel"},
        {gen_sierpinsky_image, "Sierpinsky"},
        {gen_vhs_image, "VHS"},
        {gen_horizontal_sine, "Horizontal Sine"},
        {gen_vertical_sine, "Vertical Sine"},
        {gen_pattern, "Pattern"},
        {gen_vertical_line, "Vertical Line"},
        {gen_rotating_box, "Rotating Box"},
        {gen_pulsating_sphere, "Pulsating Sphere"},
        {gen_thingie, "Thingie"},
    };
    return entries;
}

}  // namespace reference
