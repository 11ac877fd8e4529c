#pragma once

#include <string>

namespace quillbarrow {

// What the tools need to load and draw a production without playing it: SDL,
// a silent mixer (the dummy audio driver unless one is chosen), the font
// renderer and a hidden window of the given size with a GL context. Every
// field of display_size takes that size. Without a display, SDL's offscreen
// driver is tried. False, with the reason, when no GL context can be made.
bool open_headless_session(int width, int height, std::string* error);

}  // namespace quillbarrow
