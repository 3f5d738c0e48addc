// The plain forms of a whole frame and of the picture tests, beside the
// kernels' plain forms (plain_kernels.hpp): what the product's frame must
// match bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "app/app_state.hpp"
#include "display/tile_sheet.hpp"
#include "plain_kernels.hpp"

namespace reference {

// Reads the program-wide picture sheets of inputs/images.hpp.
void fill_from_sheet(ComplexGrid& grid, const TileSheet& sheet);
void gen_ostrel_image(float phase, ComplexGrid& grid);
void gen_sierpinsky_image(float phase, ComplexGrid& grid);
void gen_vhs_image(float phase, ComplexGrid& grid);

// The ten tests in menu order, with the plain generators.
const TestEntry* catalogue();

// The grids of a frame worked out before: a frame's input and spectrum
// depend only on the test and the phase, not on the layout or the switch.
struct PlainGrids {
    const ComplexGrid* working;
    const ComplexGrid* transformed;
};

// A plain panel drawn before from the same grid: its pixels, row after row,
// and the pen it leaves. Empty until drawn.
struct PlainPanel {
    std::vector<std::uint8_t> pixels;
    RgbColor pen{};
};

// The three panels of a test and a phase, which like the grids do not
// depend on the layout or the switch (only where they are drawn does). The
// plain panels cost a frame check most of its time.
struct PlainPanels {
    PlainPanel input;
    PlainPanel magnitude;
    PlainPanel phase;
};

// One frame, the same steps as the product's compose_frame, with the plain
// generator of the selected test (from reference::catalogue(), not
// app.catalogue), the step-by-step transform of tests/spectrum/plain_fft and
// the plain panels. Text goes through the product's TileSheet::draw_text.
// With `known`, the two grids are copied from it instead of computed again
// (the caller vouches that they are this frame's). With `panels`, each panel
// drawn there before is copied, and each one not yet drawn is kept there.
void compose_frame(AppState& app, const PlainGrids* known = nullptr, PlainPanels* panels = nullptr);

}  // namespace reference
