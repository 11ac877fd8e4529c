#pragma once

#include <atomic>
#include <cstdint>

// SDL_mixer's music handle, declared as SDL_mixer declares it.
typedef struct _Mix_Music Mix_Music;

namespace quillbarrow {

class Demo;
class DecodeBudget;
class SampleOutput;

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

// The player's process-wide state: one instance of each, set up during
// start-up (or by a tool's session, which stands in for the player) and
// never freed before exit. Everything else is passed explicitly. This
// header includes no project header, so any layer may read it.

// Sizes of the off-screen targets and of the window viewport.
extern DisplaySize display_size;
// What the mixer opened; sample durations are computed with it.
extern AudioFormatInfo audio_format;
// The loaded document; shader includes reach the document's programs
// through it.
extern Demo* current_document;
// Beat of the frame being drawn, 0 until the first frame. Only the frame
// step sets it; the text placeholders <BEAT> and <IBEAT> and the "beat"
// and "iTime2" uniforms read it, whatever beat a group replays its
// members at.
extern float current_beat;
// The 1x1 white texture models bind where a material has none.
extern unsigned int white_texture;
// Number of times a scene draw repeats its model; the timeline sets it
// before every scene effect draw.
extern std::int32_t instance_count;
// Ends the frame loop; set by the loop and by the event watch.
extern std::atomic<bool> quit_requested;
// The music the mixer plays, opened once by the document's start_music.
extern Mix_Music* music_stream;
// The budget every decode during one document load spends from; none
// outside a load (see DecodeBudgetScope).
extern DecodeBudget* active_decode_budget;
// Where audio sample events play; none plays them through the mixer.
extern SampleOutput* sample_output;

// Process-wide too, but kept private to the one module that touches them,
// because other threads do and only that module knows the hand-over:
// - the audio analysis (player/audio_analysis.cpp): the FFT plan, the level
//   ring and the triple-buffered capture images, written on the mixer's
//   audio thread and read on the main thread without locks;
// - the music duck (document/audio_sample.cpp): the one duck timer's owner
//   and flags, cleared on SDL's timer thread;
// - the capped SDL allocator (document/bounded_sound.cpp): SDL's original
//   memory functions and the thread-local cap of the decode running on
//   that thread; SDL calls the hook from any thread, so the cap cannot be
//   passed in;
// - the window and its GL context (player/player_window.cpp), which only
//   the window module opens, resizes and closes.

}  // namespace quillbarrow
