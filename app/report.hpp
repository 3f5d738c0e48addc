// How the entry points (the program, the renderer, the tools) say what went
// wrong: library code returns what it found, and only these put it out.
#pragma once

#include <string>

#include "display/canvas.hpp"

// Logs `message` (without a final line feed) as one error line through
// SDL's log, in the application category: "ERROR: <message>" on standard
// error.
void log_error(const std::string& message);

// Says what Canvas::create reported, in its order: status lines to standard
// output (flushed at once, so that a pipe or a file sees them while the
// program runs), error lines to SDL's log.
void say_canvas_report(const CanvasReport& report);

// The exit status a failed canvas ends the process with: 2 without an
// OpenGL context, 3 after a shader failure; 0 when the canvas is ready.
int exit_status_of(CanvasReport::Outcome outcome);
