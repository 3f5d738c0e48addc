#include "inputs/picture_fill.hpp"

#include "inputs/pattern_kernels.hpp"

void fill_real_from_bytes_portable(ComplexGrid& grid, const std::uint8_t* bytes) {
    const std::int64_t count = grid.size();
    for (std::int64_t k = 0; k < count; ++k) {
        grid.samples[k] = {static_cast<float>(bytes[k]) / 255.0f, 0.0f};
    }
}

void fill_real_from_bytes(ComplexGrid& grid, const std::uint8_t* bytes) {
    fill_real_from_bytes_lanes(grid, bytes);
}
