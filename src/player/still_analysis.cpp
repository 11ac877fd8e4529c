#include "player/still_analysis.h"

#include <SDL_mixer.h>

#include "document/demo.h"
#include "document/music_decoding.h"
#include "player/audio_analysis.h"
#include "player/player_state.h"

namespace quillbarrow {

const Mix_Chunk* decoded_music(const Demo& demo, double seconds) {
    static const Demo* decoded_for = nullptr;
    static Mix_Chunk* chunk = nullptr;
    static double decoded_until = 0.0;
    if (decoded_for != &demo || seconds > decoded_until) {
        if (chunk) Mix_FreeChunk(chunk);
        chunk = nullptr;
        decoded_for = nullptr;
        if (demo.music && demo.music->len > 0)
            chunk = decode_music_until(demo.music->data.get(), demo.music->len, seconds, "of the production");
        decoded_for = &demo;
        decoded_until = seconds;
    }
    return chunk;
}

void analyse_music_at(const Demo& demo, float beat) {
    create_fft_state();
    reset_audio_analysis();
    if (!(demo.bpm > 0.0f)) return;
    const double seconds = (beat + demo.beat_offset) * 60.0 / demo.bpm;
    const Mix_Chunk* music = decoded_music(demo, seconds);
    if (!music) return;
    const int frame_bytes = 4;  // the mixer's stereo 16-bit frames
    const long long first = static_cast<long long>(seconds * audio_format.frequency);
    const long long frames = music->alen / frame_bytes;
    if (first < 0 || first + 1024 > frames) return;
    analyse_audio(-2, music->abuf + first * frame_bytes, 1024 * frame_bytes, nullptr);
}

}  // namespace quillbarrow
