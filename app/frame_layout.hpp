// Where a frame puts things on the canvas, in canvas pixels (x to the right,
// y down from the top-left corner): the one place the composition, the
// renderer's panel files and the page's taps take them from.
#pragma once

#include "display/canvas.hpp"
#include "inputs/catalogue.hpp"

// The three panels (kPanelSide square, from row kPanelTop) side by side: the
// left columns. The condensed layout shows one spectrum panel, at the
// magnitude panel's place.
constexpr int kInputPanelX = 21;
constexpr int kMagnitudePanelX = 555;
constexpr int kPhasePanelX = 1089;
// A panel's one-pixel frame and its caption sit one pixel outside it.
constexpr int kCaptionY = 8;

// The help line under the panels, and the menu under it: one row of
// kMenuRowHeight pixels per test from kMenuTop, its label kMenuLabelDrop
// below the row's top, the selected one on a white bar.
constexpr int kHelpX = 20;
constexpr int kHelpY = 540;
constexpr int kMenuX = 20;
constexpr int kMenuTop = 557;
constexpr int kMenuRowHeight = 12;
constexpr int kMenuLabelDrop = 3;
constexpr int kMenuBarWidth = 139;
constexpr int kMenuBarHeight = 11;

// The top of test `entry`'s menu row.
constexpr int menu_row_top(int entry) {
    return kMenuTop + kMenuRowHeight * entry;
}

// The test whose menu row holds pixel (x, y), a tap there selecting it; -1
// for a pixel outside the menu.
constexpr int menu_entry_at(int x, int y) {
    if (x < kMenuX || x >= kMenuX + kMenuBarWidth || y < kMenuTop ||
        y >= menu_row_top(kTestCount)) {
        return -1;
    }
    return (y - kMenuTop) / kMenuRowHeight;
}

// Whether pixel (x, y) lies on the spectrum panel of the condensed layout
// or its frame, where a tap switches magnitude and phase.
constexpr bool on_condensed_spectrum(int x, int y) {
    return x >= kMagnitudePanelX - 1 && x <= kMagnitudePanelX + kPanelSide && y >= kPanelTop - 1 &&
           y <= kPanelTop + kPanelSide;
}
