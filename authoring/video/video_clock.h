#pragma once

#include <cstdint>

#include "player/beat_clock.h"

namespace quillbarrow {

// Frames per second as a fraction, so 30000/1001 is exact.
struct FrameRate {
    std::int64_t numerator = 60;
    std::int64_t denominator = 1;
};

// Frame n is shown n x D / N seconds after the music starts. Every time is
// computed from the frame's index, never accumulated, so no drift builds up.
inline double frame_time_ms(std::int64_t frame, FrameRate rate) {
    return static_cast<double>(frame) * 1000.0 * static_cast<double>(rate.denominator) /
           static_cast<double>(rate.numerator);
}

inline float frame_beat(std::int64_t frame, FrameRate rate, float bpm, float beat_offset) {
    return beat_at_time(frame_time_ms(frame, rate), bpm, beat_offset);
}

// The first sound frame at or after frame n's time, in exact integers.
inline std::int64_t frame_sound_position(std::int64_t frame, FrameRate rate, int frequency) {
    return frame * rate.denominator * frequency / rate.numerator;
}

}  // namespace quillbarrow
