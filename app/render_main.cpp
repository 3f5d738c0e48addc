// zarvo-render: composes frames with the program's own code and no window,
// and writes the canvas of the last frame as a PNG, PPM or BMP file, and its
// panels as PNG files; a picture of the user's can take the place of a
// picture test. Its options are listed by --help (kUsage below).
#include <SDL.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.hpp"
#include "app/compose_frame.hpp"
#include "app/frame_layout.hpp"
#include "app/headless.hpp"
#include "app/picture_files.hpp"
#include "app/report.hpp"
#include "files/image_file.hpp"
#include "files/output_files.hpp"
#include "display/panels.hpp"
#include "inputs/images.hpp"

namespace {

constexpr const char* kUsage =
    "usage: zarvo-render --out FILE.png|FILE.ppm|FILE.bmp [--panels DIR] [options]\n"
    "       zarvo-render --panels DIR [options]\n"
    "       zarvo-render --find-input-panel SHOT.ppm [options]\n"
    "       zarvo-render --list-tests\n"
    "\n"
    "Composes frames of zarvo with the program's own code and no window, and\n"
    "writes the canvas of the last frame as a PNG, binary PPM or 24-bit BMP\n"
    "file, and its three panels as PNG files.\n"
    "\n"
    "options:\n"
    "  --out FILE               the canvas; the name ends in .png, .ppm or .bmp\n"
    "  --panels DIR             the panels, 512 x 512 each: DIR/input.png,\n"
    "                           DIR/magnitude.png and DIR/phase.png (both\n"
    "                           spectrum panels in either layout); DIR is made\n"
    "                           if it is not there\n"
    "  --picture FILE           a PNG, JPEG or BMP picture of any size (at most\n"
    "                           16384 pixels a side) in place of the selected\n"
    "                           picture test: turned grey (Rec. 601 luma, alpha\n"
    "                           over black), turned upright by its EXIF\n"
    "                           orientation, scaled to fit 512 x 512 with its\n"
    "                           aspect kept (box filter) and centred on black;\n"
    "                           a damaged file is refused\n"
    "  --layout full|condensed  the layout (default full: 1640 wide; condensed\n"
    "                           is 1100 wide)\n"
    "  --select N               the test selected before the first frame, 0-9\n"
    "                           (default 0, Ostrel; with --picture 0, 1 or 2,\n"
    "                           the picture tests)\n"
    "  --phase-panel            start with the phase panel (condensed layout)\n"
    "  --frames N               frames to compose (default 2)\n"
    "  --first-frame N          number of the first frame composed (default 1);\n"
    "                           frame N has phase (N mod 1000) * 0.001\n"
    "  --keys F:KEY,...         key presses: KEY (Up, Down or Space) arrives in\n"
    "                           the poll of frame F (counted from --first-frame)\n"
    "  --ms-per-frame N         the fixed clock's step per frame in ms (default 16)\n"
    "  --assets DIR             folder with the four BMP files (default .)\n"
    "  --find-input-panel SHOT  print every frame number 1-1000 whose input\n"
    "                           panel, for the selected test, equals the input\n"
    "                           panel of SHOT (a PPM of the whole window)\n"
    "  --list-tests             print the tests' labels, one a line, in menu\n"
    "                           order (test N on line N + 1), and exit\n"
    "  --help                   print this and exit\n"
    "  --version                print the version and exit\n"
    "\n"
    "File names are not empty, and each file option comes at most once; the\n"
    "endings .png, .ppm and .bmp are read in any case. The files of a run are\n"
    "written together: all of them, or none.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written (no\n"
    "file is then written, nor left half-written), 64 for a command line it\n"
    "does not understand.\n";

struct KeyPress {
    long frame;
    std::string key;
};

struct Options {
    bool condensed = false;
    int select = 0;
    bool phase_panel = false;
    long frames = 2;
    long first_frame = 1;
    std::vector<KeyPress> keys;
    long ms_per_frame = 16;
    std::string assets = ".";
    std::string out;
    std::string panels;
    std::string picture;
    std::string find_input_panel;
};

[[noreturn]] void usage_error(const std::string& message) {
    std::fprintf(stderr, "zarvo-render: %s\n(zarvo-render --help lists the options)\n",
                 message.c_str());
    std::exit(64);
}

long parse_number(const char* text, const char* what, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < low || value > high) {
        usage_error(std::string("bad ") + what + " '" + text + "' (want " + std::to_string(low) +
                    " to " + std::to_string(high) + ")");
    }
    return value;
}

void parse_keys(const std::string& list, Options& options) {
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string item = list.substr(start, end - start);
        const std::size_t colon = item.find(':');
        if (colon == std::string::npos) {
            usage_error("bad key press '" + item + "' (want FRAME:KEY)");
        }
        KeyPress press{parse_number(item.substr(0, colon).c_str(), "key frame", 1, 1L << 30),
                       item.substr(colon + 1)};
        if (press.key != "Up" && press.key != "Down" && press.key != "Space") {
            usage_error("unknown key '" + press.key + "' (want Up, Down or Space)");
        }
        options.keys.push_back(press);
        start = end + 1;
    }
}

Options parse_options(int argc, char* argv[]) {
    Options options;
    std::vector<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                usage_error(arg + " needs a value");
            }
            return argv[++i];
        };
        // A file option names one file: given twice, or with an empty name,
        // it would silently lose one of them (or fall back to a default).
        const auto file_name = [&]() -> std::string {
            for (const std::string& earlier : seen) {
                if (earlier == arg) {
                    usage_error(arg + " given twice");
                }
            }
            seen.push_back(arg);
            const std::string name = value();
            if (name.empty()) {
                usage_error(arg + " needs a file name, not an empty one");
            }
            return name;
        };
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--list-tests") {
            TestEntry catalogue[kTestCount];
            fill_catalogue(catalogue);
            for (const TestEntry& entry : catalogue) {
                std::printf("%s\n", entry.label);
            }
            std::exit(0);
        } else if (arg == "--version") {
            std::printf("zarvo-render %s\n", ZARVO_VERSION);
            std::exit(0);
        } else if (arg == "--layout") {
            const std::string layout = value();
            if (layout != "full" && layout != "condensed") {
                usage_error("unknown layout '" + layout + "' (want full or condensed)");
            }
            options.condensed = layout == "condensed";
        } else if (arg == "--select") {
            options.select = static_cast<int>(parse_number(value(), "test", 0, kTestCount - 1));
        } else if (arg == "--phase-panel") {
            options.phase_panel = true;
        } else if (arg == "--frames") {
            options.frames = parse_number(value(), "frame count", 1, 1000000);
        } else if (arg == "--first-frame") {
            options.first_frame = parse_number(value(), "first frame", 1, 1L << 30);
        } else if (arg == "--keys") {
            parse_keys(value(), options);
        } else if (arg == "--ms-per-frame") {
            options.ms_per_frame = parse_number(value(), "clock step", 0, 100000);
        } else if (arg == "--assets") {
            options.assets = file_name();
        } else if (arg == "--out") {
            options.out = file_name();
            if (image_format_of(options.out) == ImageFormat::kUnknown) {
                usage_error("--out " + options.out + ": the name must end in .png, .ppm or .bmp");
            }
        } else if (arg == "--panels") {
            options.panels = file_name();
        } else if (arg == "--picture") {
            options.picture = file_name();
        } else if (arg == "--find-input-panel") {
            options.find_input_panel = file_name();
        } else {
            usage_error("unknown option '" + arg + "'");
        }
    }
    if (options.out.empty() && options.panels.empty() && options.find_input_panel.empty()) {
        usage_error("--out FILE, --panels DIR or --find-input-panel SHOT is required");
    }
    if (!options.picture.empty() && options.select > 2) {
        usage_error("--picture takes the place of a picture test: --select 0, 1 or 2");
    }
    return options;
}

// Every frame number 1-1000 whose input panel equals the screenshot's.
int find_input_panel(AppState& app, const Options& options) {
    RgbImage shot;
    if (const std::string error = read_ppm(options.find_input_panel, shot); !error.empty()) {
        std::fprintf(stderr, "zarvo-render: %s\n", error.c_str());
        return 1;
    }
    if (shot.width != app.canvas.width || shot.height != app.canvas.height) {
        std::fprintf(stderr, "zarvo-render: %s is %d x %d, the layout is %d x %d\n",
                     options.find_input_panel.c_str(), shot.width, shot.height, app.canvas.width,
                     app.canvas.height);
        return 1;
    }
    const TestGenerator generator = app.catalogue[options.select].generator;
    for (int frame = 1; frame <= 1000; ++frame) {
        const float phase = static_cast<float>(frame % 1000) * 0.001f;
        generator(phase, app.working);
        draw_magnitude(app.working, app.draw_colour, app.canvas, kInputPanelX, false, 1.0f);
        bool equal = true;
        for (int y = kPanelTop; y < kPanelTop + kPanelSide && equal; ++y) {
            const std::size_t at = pixel_offset(app.canvas, kInputPanelX, y);
            equal =
                std::memcmp(app.canvas.pixels + at, shot.pixels.data() + at, kPanelSide * 3) == 0;
        }
        if (equal) {
            std::printf("%d\n", frame);
        }
    }
    return 0;
}

// `path` taken from where the renderer was started, which it leaves for
// the assets folder.
std::string from_start(const std::string& path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    char here[4096];
    return getcwd(here, sizeof here) != nullptr ? std::string(here) + "/" + path : path;
}

// The sheet of picture test `select` (0 Ostrel, 1 Sierpinsky, 2 VHS).
TileSheet& picture_sheet(int select) {
    return select == 0 ? ostrel_sheet : select == 1 ? sierpinsky_sheet : vhs_sheet;
}

// The three panels of the last frame as PNG files in `dir`, staged with
// the rest of the run's files. In the condensed layout the spectrum panel
// not shown is drawn with the same code onto a copy of the canvas, so both
// come from what the frame computed.
std::string stage_panels(AppState& app, const std::string& dir, OutputSet& outputs) {
    Canvas other = canvas_without_window(app.canvas.width);
    int magnitude_x = kMagnitudePanelX;
    int phase_x = kPhasePanelX;
    const Canvas* magnitude_canvas = &app.canvas;
    const Canvas* phase_canvas = &app.canvas;
    RgbColor pen = app.draw_colour;
    if (app.condensed) {
        phase_x = kMagnitudePanelX;
        if (app.show_magnitude) {
            draw_phase(app.transformed, pen, other, phase_x);
            phase_canvas = &other;
        } else {
            draw_magnitude(app.transformed, pen, other, magnitude_x, true, 60.0f);
            magnitude_canvas = &other;
        }
    }
    struct Panel {
        const Canvas* canvas;
        int x;
        const char* name;
    };
    const Panel panels[] = {{&app.canvas, kInputPanelX, "input.png"},
                            {magnitude_canvas, magnitude_x, "magnitude.png"},
                            {phase_canvas, phase_x, "phase.png"}};
    std::string error;
    for (const Panel& panel : panels) {
        const std::string path = dir + "/" + panel.name;
        std::string png;
        error = encode_panel_png(*panel.canvas, panel.x, kPanelTop, path, png);
        if (error.empty()) {
            error = stage_file(outputs, path, png);
        }
        if (!error.empty()) {
            break;
        }
    }
    return error;
}

// The canvas at `path`, in the format its name asks for, staged.
std::string stage_canvas(const Canvas& canvas, const std::string& path, OutputSet& outputs) {
    const ImageFormat format = image_format_of(path);
    std::string data;
    if (format == ImageFormat::kPng) {
        if (std::string error = encode_canvas_png(canvas, path, data); !error.empty()) {
            return error;
        }
    } else {
        data = encode_canvas_image(canvas, format);
    }
    return stage_file(outputs, path, data);
}

}  // namespace

int main(int argc, char* argv[]) {
    const Options options = parse_options(argc, argv);
    const std::string out = from_start(options.out);
    const std::string panels = from_start(options.panels);
    const std::string picture = from_start(options.picture);

    // The sheets are read from the working directory, as the program does.
    if (chdir(options.assets.c_str()) != 0) {
        std::fprintf(stderr, "zarvo-render: cannot enter %s: %s\n", options.assets.c_str(),
                     std::strerror(errno));
        return 1;
    }
    AppState app;
    FixedClock clock{0, static_cast<Uint32>(options.ms_per_frame)};
    if (const std::string error = start_headless(app, options.condensed, fixed_ticks(clock));
        !error.empty()) {
        log_error(error);
        SDL_Quit();
        return 1;
    }
    if (!picture.empty()) {
        if (const std::string error = load_user_picture(picture, picture_sheet(options.select));
            !error.empty()) {
            std::fprintf(stderr, "zarvo-render: %s\n", error.c_str());
            stop_headless(app);
            SDL_Quit();
            return 1;
        }
    }
    app.selection = options.select;
    app.show_magnitude = !options.phase_panel;
    app.frame_count = static_cast<std::int32_t>(options.first_frame - 1);

    if (!options.find_input_panel.empty()) {
        const int status = find_input_panel(app, options);
        stop_headless(app);
        SDL_Quit();
        return status;
    }

    for (long frame = 1; frame <= options.frames; ++frame) {
        // The same rules as a poll: the last arrow of a frame decides, any
        // Space toggles once.
        app.input.step = 0;
        app.input.toggle = false;
        for (const KeyPress& press : options.keys) {
            if (press.frame != frame) {
                continue;
            }
            if (press.key == "Space") {
                app.input.toggle = true;
            } else {
                app.input.step = press.key == "Down" ? 1 : -1;
            }
        }
        compose_frame(app);
    }

    // Every file staged first, then all put in place together: a failure
    // anywhere leaves none of them.
    OutputSet outputs;
    std::string error;
    if (!panels.empty()) {
        error = plan_folder(outputs, panels);
    }
    if (error.empty() && !out.empty()) {
        error = stage_canvas(app.canvas, out, outputs);
    }
    if (error.empty() && !panels.empty()) {
        error = stage_panels(app, panels, outputs);
    }
    if (error.empty()) {
        error = commit_files(outputs);
    } else {
        discard_files(outputs);
    }
    // Released so that leak checks of the tests that run the renderer stay
    // meaningful; SDL_Quit frees SDL's per-thread error buffer.
    stop_headless(app);
    SDL_Quit();
    if (!error.empty()) {
        std::fprintf(stderr, "zarvo-render: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
