// What one poll of the keys and the window found: the plain record the
// frame composition reads, whoever filled it (SDL's event queue in the
// program, the command line in zarvo-render, the page's key events).
#pragma once

struct InputState {
    bool quit = false;    // sticky: once set it stays set
    int step = 0;         // -1 (Up), 0 or +1 (Down) in this poll
    bool toggle = false;  // Space was pressed in this poll
};
