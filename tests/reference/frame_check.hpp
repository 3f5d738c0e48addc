// Side-by-side frames: the product's compose_frame and reference::compose_frame
// on two apps started the same way, compared byte for byte.
#pragma once

#include <string>

#include "app/app_state.hpp"
#include "app/headless.hpp"
#include "reference.hpp"

struct FramePair {
    FixedClock product_clock;
    FixedClock plain_clock;
    AppState product;
    AppState plain;

    // Starts both apps with start_headless in the given layout; the working
    // directory must hold the four BMP files. The two share the program-wide
    // picture sheets. False when a file cannot be loaded.
    bool start(bool condensed);
    // Releases what the two starts acquired.
    ~FramePair();

    // Composes, in both apps, the frame whose counter becomes `frame` (so its
    // phase is (frame mod 1000) * 0.001) with test `test` selected and the
    // magnitude panel shown or not. The selection arrives through a step of
    // +1 from the entry before (wrapping at 0) and the switch through a
    // toggle, so those steps run too. Returns "" when every canvas byte, both
    // grids (bit for bit, any NaN equal to any NaN) and the carried state
    // agree; otherwise a description of the first difference. With `known`
    // and `panels`, the plain frame takes its grids and panels from there
    // (reference::compose_frame).
    std::string compare_frame(int test, int frame, bool show_magnitude,
                              const reference::PlainGrids* known = nullptr,
                              reference::PlainPanels* panels = nullptr);
};
