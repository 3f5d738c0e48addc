#include "app/report.hpp"

#include <SDL.h>

#include <cstdio>

void log_error(const std::string& message) {
    // SDL drops one final line feed; the message has none, so nothing of it
    // is lost.
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s\n", message.c_str());
}

void say_canvas_report(const CanvasReport& report) {
    for (const CanvasReport::Line& line : report.lines) {
        if (line.error) {
            SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", line.text.c_str());
        } else {
            std::fputs(line.text.c_str(), stdout);
            std::fflush(stdout);
        }
    }
}

int exit_status_of(CanvasReport::Outcome outcome) {
    switch (outcome) {
        case CanvasReport::Outcome::kReady:
            break;
        case CanvasReport::Outcome::kNoContext:
            return 2;
        case CanvasReport::Outcome::kShadersFailed:
            return 3;
    }
    return 0;
}
