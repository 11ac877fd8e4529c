#include "document/music_decoding.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include <SDL_mixer.h>

#include "document/bounded_sound.h"

namespace quillbarrow {

namespace {

std::string too_long(const char* file_name) {
    return std::string("the music ") + file_name + " decodes to more than " +
           std::to_string(static_cast<int>(kMaxDecodedMusicSeconds)) + " seconds, the most the tools decode";
}

std::runtime_error needed_past_limit(const char* file_name, double needed) {
    return std::runtime_error(std::string("the music ") + file_name + ": the command needs " +
                              std::to_string(static_cast<long long>(needed)) + " seconds of it, more than the " +
                              std::to_string(static_cast<int>(kMaxDecodedMusicSeconds)) + " seconds the tools decode");
}

}  // namespace

Mix_Chunk* decode_music_until(const void* bytes, std::size_t length, double seconds, const char* file_name) {
    const double needed = std::max(seconds, 0.0);
    // Where the header tells the length, a need past the limit is known
    // before anything is decoded.
    if (needed > kMaxDecodedMusicSeconds && declared_sound_seconds(bytes, length) > kMaxDecodedMusicSeconds)
        throw needed_past_limit(file_name, needed);
    const double wanted = std::min(needed + kMusicDecodeMargin, kMaxDecodedMusicSeconds);
    BoundedSound sound = decode_sound_bounded(bytes, length, mixer_bytes_for_seconds(wanted));
    // Whole-file formats (WAV, AIFF, VOC) keep nothing when cut: they are
    // tried once more against the limit itself.
    if (!sound.chunk && sound.cut)
        sound = decode_sound_bounded(bytes, length, mixer_bytes_for_seconds(kMaxDecodedMusicSeconds));
    if (!sound.chunk && sound.cut) throw std::runtime_error(too_long(file_name));
    // A music that ends before the limit is whole, however late the command
    // looks; one that goes on past it cannot be heard there.
    if (sound.cut && needed > kMaxDecodedMusicSeconds) {
        Mix_FreeChunk(sound.chunk);
        throw needed_past_limit(file_name, needed);
    }
    return sound.chunk;
}

}  // namespace quillbarrow
