#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "video/video_clock.h"

namespace quillbarrow {

class Demo;

// The sound of a video is mixed in memory, from frame 0 to its end: a video
// lasts at most an hour (about 635 MB of 44.1 kHz stereo).
constexpr double kMaxVideoSeconds = 3600.0;

// The frames a video shows: [first, end) of the player's frame sequence.
struct VideoFrames {
    std::int64_t first = 0;
    std::int64_t end = 0;
    std::int64_t count() const { return end - first; }
};

// The player's frames from the first whose beat reaches from (or frame 0)
// to the first whose beat is past the end beat, included as the player
// draws it, or to the last before to. False, with the reason, when that
// makes no frames, no end, or more than kMaxVideoSeconds from frame 0.
bool plan_video_frames(const Demo& demo, FrameRate rate, std::optional<float> from, std::optional<float> to,
                       VideoFrames& frames, std::string* error);

struct VideoCallbacks {
    // A shown frame as glReadPixels gives it (RGBA, rows bottom-up). False stops.
    std::function<bool(std::int64_t index, const std::uint8_t* pixels)> frame;
    // After each shown frame has been drawn: how many, of how many.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
};

// Plays the player's frames 0 to frames.end - 1 at the window's size, one
// evaluation of the timeline per frame in order, with the sound mixed
// offline: each frame's audio analysis sees the 1024 sound frames of the mix
// that end at its time. Hands the shown frames to the callbacks and returns
// the mix from the first shown frame's time to the end of the last one
// (interleaved stereo 16-bit at the mixer's rate). False, with the reason,
// when a callback stopped it.
bool render_video(Demo& demo, FrameRate rate, const VideoFrames& frames, const VideoCallbacks& callbacks,
                  std::vector<std::int16_t>& sound, std::string* error);

}  // namespace quillbarrow
