#include "player/player_window.h"

#include <cstdio>

#include <GL/glew.h>

#include "player/diagnostics.h"
#include "player/player_state.h"
#include "render/gl_object.h"

namespace quillbarrow {

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
WindowSize window_size;
// Owns the texture white_texture names; released before its context goes.
GlTexture white_texture_owner;

void print_gl_versions() {
    report_routine_notice(format_message("OpenGL version: %s", reinterpret_cast<const char*>(glGetString(GL_VERSION))));
    report_routine_notice(
        format_message("GLSL version: %s", reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION))));
    report_routine_notice(format_message("Vendor: %s", reinterpret_cast<const char*>(glGetString(GL_VENDOR))));
    report_routine_notice(format_message("Renderer: %s", reinterpret_cast<const char*>(glGetString(GL_RENDERER))));
}

}  // namespace

void set_gl_attributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
#ifdef __EMSCRIPTEN__
    // WebGL2 is OpenGL ES 3.0; screen capture reads the canvas back, which
    // needs its alpha channel.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
#else
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
#endif
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
}

// The 1x1 white texture: the default base colour of model materials.
void create_white_texture() {
    // Released first: a name from an earlier context must not delete the
    // one just made in this one.
    white_texture_owner.reset();
    white_texture_owner = GlTexture::generate();
    white_texture = white_texture_owner;
    glBindTexture(GL_TEXTURE_2D, white_texture);
#ifdef __EMSCRIPTEN__
    // OpenGL ES takes an unsized RGBA texture from bytes only.
    const unsigned char white[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
#else
    const float white[4] = {1, 1, 1, 1};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_FLOAT, white);
#endif
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_R, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
}

bool open_player_window(const char* title, int width, int height, Uint32 flags, const char** error,
                        bool print_versions) {
    window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                              flags | SDL_WINDOW_OPENGL);
    if (!window) {
        if (error) *error = SDL_GetError();
        return false;
    }
    SDL_GetWindowSize(window, &window_size.width, &window_size.height);
    context = SDL_GL_CreateContext(window);
    if (!context) {
        if (error) *error = SDL_GetError();
        return false;
    }
    glewExperimental = GL_TRUE;
    glewInit();
    // GLEW's probing leaves an error behind on core contexts.
    while (glGetError() != GL_NO_ERROR) {}
    if (print_versions) print_gl_versions();
    create_white_texture();
    glClearColor(0, 0, 0, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

// Before the player's window exists (tests, tools that draw into a window
// of their own) the window whose context is current stands in for it.
SDL_Window* player_window() { return window ? window : SDL_GL_GetCurrentWindow(); }
SDL_GLContext player_gl_context() { return context ? context : SDL_GL_GetCurrentContext(); }
WindowSize player_window_size() {
    if (window) return window_size;
    WindowSize size;
    if (SDL_Window* current = SDL_GL_GetCurrentWindow()) SDL_GetWindowSize(current, &size.width, &size.height);
    return size;
}

void close_player_window() {
    if (context) {
        white_texture_owner.reset();
        white_texture = 0;
        SDL_GL_DeleteContext(context);
    }
    if (window) SDL_DestroyWindow(window);
    context = nullptr;
    window = nullptr;
}

}  // namespace quillbarrow
