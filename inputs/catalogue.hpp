// The ten test inputs: a generator fills a grid for the animation phase; the
// catalogue pairs each generator with its menu label, in menu order.
#pragma once

#include "spectrum/complex_grid.hpp"

// A stateless function of the phase that fills the grid in place. Every
// generator leaves every imaginary part 0 and overwrites what an earlier test
// left (it writes every sample or clears first).
using TestGenerator = void (*)(float phase, ComplexGrid& grid);

struct TestEntry {
    TestGenerator generator;
    const char* label;
};

constexpr int kTestCount = 10;

// The catalogue in menu order: "Ostrel", "Sierpinsky", "VHS",
// "Horizontal Sine", "Vertical Sine", "Pattern", "Vertical Line",
// "Rotating Box", "Pulsating Sphere", "Thingie".
void fill_catalogue(TestEntry (&catalogue)[kTestCount]);
