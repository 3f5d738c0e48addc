// zarvo: fills a 512 x 512 complex grid with a test input every frame,
// transforms it and shows input, magnitude and phase side by side.
//
// main reads top to bottom: start-up in its fixed order, the frame loop,
// shutdown. Everything runs on this one thread.
#include <SDL.h>

#include "app/app_state.hpp"
#include "app/compose_frame.hpp"
#include "app/input.hpp"
#include "app/report.hpp"
#include "display/sheet_bmp.hpp"
#include "inputs/picture_sheets.hpp"

int main(int /*argc*/, char* /*argv*/[]) {
    AppState app;

    // The grids and the catalogue exist before SDL does; the transform grid
    // is a transformed copy of the cleared working grid.
    start_grids_and_catalogue(app);

    // SDL and the layout: the results are deliberately not examined. The mode is zeroed
    // first, so an unreadable desktop gives width 0 and the condensed layout.
    SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK |
             SDL_INIT_HAPTIC | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS);
    SDL_DisplayMode mode{};
    SDL_GetCurrentDisplayMode(0, &mode);
    choose_layout(app, mode.w);

    // The pictures, then the font; the first failure is logged, SDL shut
    // down, and nothing touches the missing image.
    std::string error = load_picture_sheets();
    if (error.empty()) {
        error = load_bmp(app.font, "font2.bmp", 8, check_font_surface);
    }
    if (!error.empty()) {
        log_error(error);
        SDL_Quit();
        return 1;
    }

    // The window: its status lines and errors in the order they came.
    const CanvasReport report = app.canvas.create(app.layout_width, window_title(app));
    say_canvas_report(report);
    if (report.outcome != CanvasReport::Outcome::kReady) {
        SDL_Quit();
        return exit_status_of(report.outcome);
    }

    // The font's key and tint, the rate clock: the last things before the
    // first frame, so that its rate covers no start-up.
    start_overlay(app, sdl_ticks());

    // A quit request never cuts a frame short: the frame whose poll saw it is
    // still composed, presented and followed by the pause.
    do {
        poll_input(app.input);
        compose_frame(app);
        app.canvas.present();
        SDL_Delay(4);
    } while (!app.input.quit);

    SDL_DestroyRenderer(app.canvas.renderer);
    SDL_DestroyWindow(app.canvas.window);
    SDL_Quit();
    return 0;
}
