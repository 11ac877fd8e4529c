#pragma once

#include <cstddef>

struct Mix_Chunk;

namespace quillbarrow {

// Music decoded ahead of playing it, for frames drawn on their own and for
// video. Seconds decoded past the last one needed:
inline constexpr double kMusicDecodeMargin = 10.0;
// The most music decoded so, as long as the longest video (about
// 635 MB decoded). Samples have a budget of their own.
inline constexpr double kMaxDecodedMusicSeconds = 3600.0;

// The music from its start to at least `seconds` in (and a margin), decoded
// to the mixer's format for analysis, or null when it does not decode. A
// longer music is cut there; a shorter one is whole, and later times are
// silence. Throws std::runtime_error, naming the music (file_name: how the
// message names it), when the music goes on past the limit and the command
// needs it there, or when it cannot be decoded within the limit.
Mix_Chunk* decode_music_until(const void* bytes, std::size_t length, double seconds, const char* file_name);

}  // namespace quillbarrow
