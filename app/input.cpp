#include "app/input.hpp"

#include <SDL.h>

namespace {

std::uint32_t read_sdl_ticks(void* /*context*/) {
    return SDL_GetTicks();
}

}  // namespace

TickSource sdl_ticks() {
    return TickSource{read_sdl_ticks, nullptr};
}

void poll_input(InputState& input) {
    input.step = 0;
    input.toggle = false;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_QUIT) {
            input.quit = true;
        } else if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
            switch (event.key.keysym.sym) {
                case SDLK_ESCAPE:
                case SDLK_q:
                    input.quit = true;
                    break;
                case SDLK_SPACE:
                    input.toggle = true;
                    break;
                case SDLK_DOWN:
                    input.step = 1;
                    break;
                case SDLK_UP:
                    input.step = -1;
                    break;
                default:
                    break;
            }
        }
    }
}
