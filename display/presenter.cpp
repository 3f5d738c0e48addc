// Canvas::create and Canvas::present: the window, the GL context and the
// one textured quad that shows the canvas.
#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>

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

// Exit status after a shader failure; SDL is already shut down by then.
constexpr int kShaderFailureStatus = 3;

// Reads the GL error state once and logs a non-zero code; creation goes on.
void check_gl_error() {
    const GLenum code = glGetError();
    if (code != GL_NO_ERROR) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "OpenGL error: %d\n", static_cast<int>(code));
    }
}

// Builds the shader program; returns 0 or kShaderFailureStatus.
int build_program(GLuint& program) {
    // Without a usable GLEW the shader entry points are null pointers: calling
    // one would crash, so say so and stop like any other shader failure.
    if (glCreateShader == nullptr || glCreateProgram == nullptr ||
        glUseProgramObjectARB == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION,
                     "Couldn't build shaders: the OpenGL shader entry points are missing");
        SDL_Quit();
        return kShaderFailureStatus;
    }
    GLint status = 0;
    const GLuint vs = glCreateShader(GL_VERTEX_SHADER);
    glShaderSource(vs, 1, &kVertexSource, nullptr);
    glCompileShader(vs);
    glGetShaderiv(vs, GL_COMPILE_STATUS, &status);
    if (status == 0) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Couldn't compile vertex shader");
        SDL_Quit();
        return kShaderFailureStatus;
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
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Couldn't compile fragment shader: ");
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", log);
        delete[] log;
        SDL_Quit();
        return kShaderFailureStatus;
    }

    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status == 0) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Couldn't link shaders");
        SDL_Quit();
        return kShaderFailureStatus;
    }
    return 0;
}

}  // namespace

int Canvas::create(int width_, const char* title) {
    init_canvas_buffer(*this, width_);

    window = SDL_CreateWindow(title, 10, 28, window_width, window_height, SDL_WINDOW_OPENGL);
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);

    // No context attributes: SDL's default context, which must offer the
    // compatibility profile (immediate mode, GL_CLAMP, gl_Vertex in GLSL).
    if (SDL_GL_CreateContext(window) == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to create OpenGL context: %s\n",
                     SDL_GetError());
        SDL_Quit();
        return 2;
    }

    const GLenum glew_status = glewInit();
    if (glew_status != GLEW_OK) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Error: %s\n",
                     reinterpret_cast<const char*>(glewGetErrorString(glew_status)));
    }

    // Flushed at once so that a pipe or a file sees them while the program runs.
    std::printf("Status: Using GLEW %s\n",
                reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)));
    const GLubyte* gl_version = glGetString(GL_VERSION);
    std::printf("Status: Using GL version %s\n",
                gl_version != nullptr ? reinterpret_cast<const char*>(gl_version) : "(null)");
    std::printf("Window dimensions: %d x %d\n", width, height);
    std::fflush(stdout);

    GLuint linked = 0;
    if (const int status = build_program(linked); status != 0) {
        return status;
    }
    program = linked;

    GLuint name = 0;
    glGenTextures(1, &name);
    check_gl_error();
    texture = name;
    glBindTexture(GL_TEXTURE_2D, texture);
    check_gl_error();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    check_gl_error();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    check_gl_error();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    check_gl_error();
    // 10496.0 is GL_CLAMP (0x2900), a compatibility-profile value: a core
    // context answers these two calls with GL_INVALID_ENUM (1280).
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, 10496.0f);
    check_gl_error();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, 10496.0f);
    check_gl_error();

    font_uniform = glGetUniformLocation(program, "font");
    return 0;
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
