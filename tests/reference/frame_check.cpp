#include "frame_check.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>

#include "app/compose_frame.hpp"
#include "reference.hpp"
#include "tests/support/same_bits.hpp"

namespace {

std::string compare_grids(const char* name, const ComplexGrid& product, const ComplexGrid& plain) {
    std::ostringstream out;
    if (product.width != plain.width || product.height != plain.height) {
        out << name << ": size " << product.width << "x" << product.height << " vs " << plain.width
            << "x" << plain.height;
        return out.str();
    }
    if (same_bytes(product.samples, plain.samples, static_cast<std::size_t>(product.size()))) {
        return "";
    }
    for (std::int64_t k = 0; k < product.size(); ++k) {
        const Complex a = product.samples[k];
        const Complex b = plain.samples[k];
        if (!same_float(a.re, b.re) || !same_float(a.im, b.im)) {
            out << name << ": sample (" << k / product.width << ", " << k % product.width << ") is "
                << std::hexfloat << a.re << " + " << a.im << "i, plain " << b.re << " + " << b.im
                << "i";
            return out.str();
        }
    }
    return "";
}

std::string compare_canvases(const Canvas& product, const Canvas& plain) {
    std::ostringstream out;
    if (product.width != plain.width || product.height != plain.height) {
        out << "canvas size " << product.width << "x" << product.height << " vs " << plain.width
            << "x" << plain.height;
        return out.str();
    }
    const std::size_t bytes = static_cast<std::size_t>(product.width) * product.height * 3;
    if (std::memcmp(product.pixels, plain.pixels, bytes) == 0) {
        return "";
    }
    for (std::size_t k = 0; k < bytes; ++k) {
        if (product.pixels[k] != plain.pixels[k]) {
            const std::size_t pixel = k / 3;
            out << "canvas pixel (" << pixel % product.width << ", " << pixel / product.width
                << ") byte " << k % 3 << " is " << int{product.pixels[k]} << ", plain "
                << int{plain.pixels[k]};
            break;
        }
    }
    return out.str();
}

std::string compare_state(const AppState& a, const AppState& b) {
    std::ostringstream out;
    if (a.frame_count != b.frame_count || !same_float(a.phase, b.phase) ||
        a.selection != b.selection || a.show_magnitude != b.show_magnitude ||
        !same_float(a.rate, b.rate) || a.last_ticks != b.last_ticks) {
        out << "state: frame " << a.frame_count << "/" << b.frame_count << ", phase " << a.phase
            << "/" << b.phase << ", selection " << a.selection << "/" << b.selection
            << ", show_magnitude " << a.show_magnitude << "/" << b.show_magnitude << ", rate "
            << a.rate << "/" << b.rate << ", ticks " << a.last_ticks << "/" << b.last_ticks;
        return out.str();
    }
    if (a.draw_colour.r != b.draw_colour.r || a.draw_colour.g != b.draw_colour.g ||
        a.draw_colour.b != b.draw_colour.b) {
        out << "pen (" << a.draw_colour.r << ", " << a.draw_colour.g << ", " << a.draw_colour.b
            << ") vs (" << b.draw_colour.r << ", " << b.draw_colour.g << ", " << b.draw_colour.b
            << ")";
        return out.str();
    }
    for (int c = 0; c < 3; ++c) {
        if (!same_float(a.font.tint[c], b.font.tint[c])) {
            out << "font tint channel " << c << ": " << a.font.tint[c] << " vs " << b.font.tint[c];
            return out.str();
        }
    }
    if (std::strcmp(a.text, b.text) != 0) {
        out << "text \"" << a.text << "\" vs \"" << b.text << "\"";
        return out.str();
    }
    return "";
}

void prepare(AppState& app, int test, int frame, bool show_magnitude) {
    app.frame_count = frame - 1;
    app.selection = test == 0 ? kTestCount - 1 : test - 1;
    app.show_magnitude = !show_magnitude;
    app.input = InputState{};
    app.input.step = 1;
    app.input.toggle = true;
}

}  // namespace

bool FramePair::start(bool condensed) {
    return start_headless(product, condensed, fixed_ticks(product_clock)).empty() &&
           start_headless(plain, condensed, fixed_ticks(plain_clock)).empty();
}

FramePair::~FramePair() {
    stop_headless(product);
    stop_headless(plain);
}

std::string FramePair::compare_frame(int test, int frame, bool show_magnitude,
                                     const reference::PlainGrids* known,
                                     reference::PlainPanels* panels) {
    prepare(product, test, frame, show_magnitude);
    prepare(plain, test, frame, show_magnitude);
    // Whatever the product's frame leaves unwritten shows against the plain
    // frame, whose clear covers the whole canvas.
    std::memset(product.canvas.pixels, 0xA5,
                static_cast<std::size_t>(product.canvas.width) * product.canvas.height * 3);
    ::compose_frame(product);
    reference::compose_frame(plain, known, panels);
    for (const std::string& difference :
         {compare_state(product, plain), compare_grids("working", product.working, plain.working),
          compare_grids("transformed", product.transformed, plain.transformed),
          compare_canvases(product.canvas, plain.canvas)}) {
        if (!difference.empty()) {
            return difference;
        }
    }
    return "";
}
