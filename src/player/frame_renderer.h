#pragma once

#include <string>

class Demo;

// Draws the document's frame at a beat into the window's back buffer, the
// way the player does, and writes what it shows as a PNG, top row first.
// The audio texture shows the music's analysis at that beat.
// False, with the reason, when the file cannot be written.
bool render_frame_to_png(Demo& demo, float beat, const std::string& path, std::string* error);
