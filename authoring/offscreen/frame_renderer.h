#pragma once

#include <string>

struct Mix_Chunk;

namespace quillbarrow {

class Demo;

// The document's music decoded to the mixer's format from its start to at
// least `seconds` in, or null when it has none or it does not decode. Kept
// for the rest of the run, decoded again only when a later time is asked.
const Mix_Chunk* decoded_music(const Demo& demo, double seconds);

// Draws the document's frame at a beat into the window's back buffer
// through the player's frame step, and writes what it shows as a PNG, top row first.
// The audio texture shows the music's analysis at that beat.
// False, with the reason, when the file cannot be written.
bool render_frame_to_png(Demo& demo, float beat, const std::string& path, std::string* error);

// Saves window pixels read by glReadPixels (RGBA, rows bottom-up) as an
// opaque PNG, top row first.
bool save_frame_png(const unsigned char* pixels, int width, int height, const std::string& path, std::string* error);

}  // namespace quillbarrow
