#pragma once

#include <cstddef>
#include <cstdint>

struct Mix_Chunk;

namespace quillbarrow {

// A sound file decoded to the mixer's format, no further than a number of
// bytes. The mixer's whole-file decoder cannot be told where to stop: it
// stops when SDL's allocator refuses a block and keeps what it decoded, so
// the decode runs with SDL's allocator capped for this thread.
struct BoundedSound {
    Mix_Chunk* chunk = nullptr;  // null when nothing decoded
    bool cut = false;            // the file went on past the bound
};
BoundedSound decode_sound_bounded(const void* bytes, std::size_t length, std::uint64_t max_bytes);

// The playing time the file's own header states, in seconds, or a negative
// number when its format does not tell (MIDI, for one). Nothing is decoded.
double declared_sound_seconds(const void* bytes, std::size_t length);

// Bytes of stereo 16-bit sound at the mixer's rate for a number of seconds
// (0 for negative or non-finite ones), saturating at UINT64_MAX.
std::uint64_t mixer_bytes_for_seconds(double seconds);

}  // namespace quillbarrow
