#pragma once

#include <SDL.h>

namespace quillbarrow {

struct WindowSize {
    int width = 0;
    int height = 0;
};

// Sets the GL attributes (3.0 core, double buffered, 24-bit depth, 8-bit
// stencil); call before creating the window.
void set_gl_attributes();
// Creates the window and its GL context, initialises GLEW, prints the four
// GL version lines and sets the GL defaults (black clear colour, alpha
// blending). False, with SDL's error in *error, when the window or context
// cannot be made.
bool open_player_window(const char* title, int width, int height, Uint32 flags, const char** error,
                        bool print_versions = true);

// Makes the process-wide 1x1 white texture (open_player_window does).
void create_white_texture();

SDL_Window* player_window();
SDL_GLContext player_gl_context();
// The size the window system gave the window.
WindowSize player_window_size();
void close_player_window();

}  // namespace quillbarrow
