#pragma once

#include <cstdint>

namespace quillbarrow {

// The beat of a frame from the milliseconds since playback started, in
// single precision and in this order, as the timeline was authored against.
inline float beat_at_time(double elapsed_ms, float bpm, float beat_offset) {
    float beat = static_cast<float>(elapsed_ms);
    beat = beat * bpm;
    beat = beat / 60000.0f;
    return beat - beat_offset;
}

inline float beat_at(std::uint32_t elapsed_ms, float bpm, float beat_offset) {
    return beat_at_time(elapsed_ms, bpm, beat_offset);
}

// Playback ends after the first frame strictly past the end beat; an end
// beat of 10000 or more never ends by itself.
inline bool past_end(float beat, float end_beat) { return beat > end_beat && beat < 10000.0f; }

}  // namespace quillbarrow
