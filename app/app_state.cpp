#include "app/app_state.hpp"

void choose_layout(AppState& app, int desktop_width) {
    app.condensed = desktop_width < 1640;
    app.layout_width = app.condensed ? 1100 : 1640;
    app.show_magnitude = true;
}

const char* window_title(const AppState& app) {
    return app.condensed ? "zarvo (condensed layout)" : "zarvo";
}
