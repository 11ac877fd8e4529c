#pragma once

#include <string>

#include "player/still_analysis.h"

namespace quillbarrow {

class Demo;

// Draws the document's frame at a beat into the window's back buffer
// through the player's frame step, and writes what it shows as a PNG, top row first.
// The audio texture shows the music's analysis at that beat.
// False, with the reason, when the file cannot be written.
bool render_frame_to_png(Demo& demo, float beat, const std::string& path, std::string* error);

// Saves window pixels read by glReadPixels (RGBA, rows bottom-up) as an
// opaque PNG, top row first.
bool save_frame_png(const unsigned char* pixels, int width, int height, const std::string& path, std::string* error);

}  // namespace quillbarrow
