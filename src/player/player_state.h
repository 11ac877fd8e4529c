#pragma once

#include <atomic>
#include <cstdint>

namespace quillbarrow {

class Demo;

// Sizes of the effects' off-screen targets and of the window viewport, all
// derived from the desktop width.
struct DisplaySize {
    std::int32_t render_width = 1920;
    std::int32_t render_height = 1080;
    std::int32_t viewport_width = 1920;
    std::int32_t viewport_height = 1080;

    static DisplaySize from_desktop_width(std::int32_t width) {
        std::int32_t height = width * 9 / 16;
        return {width, height, width, height};
    }
};

// What the mixer really opened.
struct AudioFormatInfo {
    int frequency = 44100;
    std::uint16_t format = 0x8010;  // AUDIO_S16LSB
    int channels = 2;
};

// Process-wide state of the player, created during start-up and never freed
// before exit. Tools that render frames set the same fields.
extern DisplaySize display_size;
extern AudioFormatInfo audio_format;
extern Demo* current_document;
extern float current_beat;
extern unsigned int white_texture;
// Number of times a scene draw repeats its model; the timeline sets it
// before every scene effect draw.
extern std::int32_t instance_count;
extern std::atomic<bool> quit_requested;

}  // namespace quillbarrow
