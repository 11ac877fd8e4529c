#pragma once

#include <cstdint>

namespace quillbarrow {

// The loading screen: a built-in logo mask filled from the bottom by a wavy
// bar that follows the loading progress, drawn with the same effect and
// shader machinery as the production. When loading is complete the loader
// sound plays while the last frame is held.
// Builds the loader objects and starts listening to the loading progress:
// report_progress draws a loading frame, finish_loading holds the last one.
void set_up_loading_screen();
// One loading frame.
void draw_loading_frame(std::uint64_t read, std::uint64_t total);
// Plays the loader sound and holds the final frame for 100 frames.
void hold_loading_screen(std::uint64_t record_count);
// The hold's sound alone, for a page that holds the frame itself.
void play_loader_sound();
class Effect;
// The effect that draws the loading frames (none before set-up).
Effect* loading_screen_effect();
// Frames drawn so far (progress and hold), for tests.
std::uint64_t loading_frames_drawn();

}  // namespace quillbarrow
