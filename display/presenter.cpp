// Canvas::create and Canvas::present: the window, the GL context and the
// one textured quad that shows the canvas.
#include <GL/glew.h>
#include <SDL.h>

#include <string>
#include <utility>

#include "display/canvas.hpp"

namespace {

// The fixed shader pair. Both rely on the compatibility profile: gl_Vertex,
// gl_MultiTexCoord0, varying and gl_FragColor under "#version 330".
const char* const kVertexSource =
    "varying vec2 v_texCoord;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = gl_Vertex;\n"
    "    v_texCoord = vec2(gl_MultiTexCoord0);\n"
    "}\n";

const char* const kFragmentSource =
    "#version 330\n"
    "uniform sampler2D font;\n"
    "varying vec2 v_texCoord;\n"
    "void main(void) {\n"
    "\tvec2 pos = v_texCoord.xy;\n"
    "\tgl_FragColor = texture(font, pos);\n"
    "}\n";

void say_error(CanvasReport& report, std::string text) {
    report.lines.push_back({true, std::move(text)});
}

// Reads the GL error state once and reports a non-zero code; creation goes on.
void check_gl_error(CanvasReport& report) {
    const GLenum code = glGetError();
    if (code != GL_NO_ERROR) {
        say_error(report, "OpenGL error: " + std::to_string(static_cast<int>(code)) + "\n");
    }
}

// Builds the shader program; false (with the report's lines) on a failure.
bool build_program(GLuint& program, CanvasReport& report) {
    // Without a usable GLEW the shader entry points are null pointers: calling
    // one would crash, so say so and stop like any other shader failure.
    if (glCreateShader == nullptr || glCreateProgram == nullptr ||
        glUseProgramObjectARB == nullptr) {
        say_error(report, "Couldn't build shaders: the OpenGL shader entry points are missing");
        return false;
    }
    GLint status = 0;
    const GLuint vs = glCreateShader(GL_VERTEX_SHADER);
    glShaderSource(vs, 1, &kVertexSource, nullptr);
    glCompileShader(vs);
    glGetShaderiv(vs, GL_COMPILE_STATUS, &status);
    if (status == 0) {
        say_error(report, "Couldn't compile vertex shader");
        return false;
    }

    const GLuint fs = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(fs, 1, &kFragmentSource, nullptr);
    glCompileShader(fs);
    glGetShaderiv(fs, GL_COMPILE_STATUS, &status);
    if (status == 0) {
        GLint length = 0;
        glGetShaderiv(fs, GL_INFO_LOG_LENGTH, &length);
        // A driver may report length 0; keep one byte so the log is a valid
        // empty string either way.
        char* log = new char[length > 0 ? length : 1]();
        glGetShaderInfoLog(fs, length, &length, log);
        glDeleteShader(fs);
        say_error(report, "Couldn't compile fragment shader: ");
        say_error(report, log);
        delete[] log;
        return false;
    }

    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status == 0) {
        say_error(report, "Couldn't link shaders");
        return false;
    }
    return true;
}

}  // namespace

CanvasReport Canvas::create(int width_, const char* title) {
    CanvasReport report;
    init_canvas_buffer(*this, width_);

    window = SDL_CreateWindow(title, 10, 28, window_width, window_height, SDL_WINDOW_OPENGL);
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);

    // No context attributes: SDL's default context, which must offer the
    // compatibility profile (immediate mode, GL_CLAMP, gl_Vertex in GLSL).
    if (SDL_GL_CreateContext(window) == nullptr) {
        say_error(report, std::string("Unable to create OpenGL context: ") + SDL_GetError() + "\n");
        report.outcome = CanvasReport::Outcome::kNoContext;
        return report;
    }

    const GLenum glew_status = glewInit();
    if (glew_status != GLEW_OK) {
        say_error(report, std::string("Error: ") +
                              reinterpret_cast<const char*>(glewGetErrorString(glew_status)) +
                              "\n");
    }

    const GLubyte* gl_version = glGetString(GL_VERSION);
    report.lines.push_back({false, std::string("Status: Using GLEW ") +
                                       reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)) +
                                       "\n"});
    report.lines.push_back(
        {false, std::string("Status: Using GL version ") +
                    (gl_version != nullptr ? reinterpret_cast<const char*>(gl_version) : "(null)") +
                    "\n"});
    report.lines.push_back({false, "Window dimensions: " + std::to_string(width) + " x " +
                                       std::to_string(height) + "\n"});

    GLuint linked = 0;
    if (!build_program(linked, report)) {
        report.outcome = CanvasReport::Outcome::kShadersFailed;
        return report;
    }
    program = linked;

    GLuint name = 0;
    glGenTextures(1, &name);
    check_gl_error(report);
    texture = name;
    glBindTexture(GL_TEXTURE_2D, texture);
    check_gl_error(report);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    check_gl_error(report);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    check_gl_error(report);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    check_gl_error(report);
    // 10496.0 is GL_CLAMP (0x2900), a compatibility-profile value: a core
    // context answers these two calls with GL_INVALID_ENUM (1280).
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, 10496.0f);
    check_gl_error(report);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, 10496.0f);
    check_gl_error(report);

    font_uniform = glGetUniformLocation(program, "font");
    return report;
}

void Canvas::present() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Rows are 3 * width bytes; both widths in use (1640, 1100) make that a
    // multiple of 4, the default unpack alignment, so rows arrive unshifted.
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glUseProgram(program);
    glUniform1i(font_uniform, 0);
    glActiveTexture(GL_TEXTURE0);

    // Positions are clip coordinates (the vertex shader applies no matrix).
    // t = 0 is the first uploaded row, canvas row 0, on the top edge.
    glBegin(GL_TRIANGLES);
    glTexCoord2f(1, 1);
    glVertex2f(1, -1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, 1);
    glTexCoord2f(0, 0);
    glVertex2f(-1, 1);
    glEnd();

    glUseProgramObjectARB(0);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    SDL_GL_SwapWindow(window);
}
