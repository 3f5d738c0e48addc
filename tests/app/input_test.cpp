// poll_input over events pushed into SDL's own queue (no window needed).
#include <SDL.h>
#include <gtest/gtest.h>

#include "app/input.hpp"

namespace {

class PollInput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }

    static void push_key(SDL_Keycode sym, Uint8 repeat = 0, Uint32 type = SDL_KEYDOWN) {
        SDL_Event event{};
        event.type = type;
        event.key.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.sym = sym;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    static void push_quit() {
        SDL_Event event{};
        event.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
};

TEST_F(PollInput, LastArrowOfAPollDecidesAndStepIsAssigned) {
    InputState input;
    push_key(SDLK_UP);
    push_key(SDLK_DOWN);
    poll_input(input);
    EXPECT_EQ(input.step, 1);

    push_key(SDLK_DOWN);
    push_key(SDLK_DOWN);
    push_key(SDLK_UP);
    poll_input(input);
    EXPECT_EQ(input.step, -1);

    push_key(SDLK_DOWN);
    push_key(SDLK_DOWN);
    poll_input(input);
    EXPECT_EQ(input.step, 1) << "presses within one poll are not added up";
}

TEST_F(PollInput, RepeatsReleasesAndOtherKeysAreIgnored) {
    InputState input;
    push_key(SDLK_DOWN, 1);
    push_key(SDLK_ESCAPE, 1);
    push_key(SDLK_SPACE, 1);
    push_key(SDLK_UP, 0, SDL_KEYUP);
    push_key(SDLK_q, 0, SDL_KEYUP);
    push_key(SDLK_a);
    push_key(SDLK_LEFT);
    poll_input(input);
    EXPECT_EQ(input.step, 0);
    EXPECT_FALSE(input.toggle);
    EXPECT_FALSE(input.quit);
}

TEST_F(PollInput, QuitKeysAndCloseRequestSetQuitWhichStaysSet) {
    for (const int which : {0, 1, 2}) {
        InputState input;
        if (which == 0) {
            push_key(SDLK_ESCAPE);
        } else if (which == 1) {
            push_key(SDLK_q);
        } else {
            push_quit();
        }
        poll_input(input);
        EXPECT_TRUE(input.quit) << "case " << which;
        poll_input(input);  // an empty poll leaves quit alone
        EXPECT_TRUE(input.quit) << "case " << which;
    }
}

TEST_F(PollInput, EscWithSpaceSetsBoth) {
    InputState input;
    push_key(SDLK_ESCAPE);
    push_key(SDLK_SPACE);
    poll_input(input);
    EXPECT_TRUE(input.quit);
    EXPECT_TRUE(input.toggle);
}

TEST_F(PollInput, EmptyPollResetsStepAndToggleAndDrainsTheQueue) {
    InputState input;
    push_key(SDLK_SPACE);
    push_key(SDLK_SPACE);
    push_key(SDLK_DOWN);
    poll_input(input);
    EXPECT_TRUE(input.toggle);
    EXPECT_EQ(input.step, 1);
    SDL_Event left;
    EXPECT_EQ(SDL_PeepEvents(&left, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0)
        << "the queue is drained completely";

    poll_input(input);
    EXPECT_EQ(input.step, 0);
    EXPECT_FALSE(input.toggle);
    EXPECT_FALSE(input.quit);
}

}  // namespace
