#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/audio_sample.h"
#include "document/music_decoding.h"

struct Mix_Chunk;

namespace quillbarrow {

// The mixer's output computed ahead of time instead of by the audio device:
// the music, ducked while a sample sounds, plus the samples the timeline
// fires, each from the moment it fires, with the mixer's clipping and its
// eight channels. Times are sound frames (one stereo 16-bit pair each) from
// the start of the music.
class OfflineMix : public SampleOutput {
public:
    // The music decoded to the mixer's format (interleaved stereo 16-bit),
    // or none.
    OfflineMix(const Mix_Chunk* music, int frequency);

    // Moves the clock on to a later frame; a duck whose time has come ends.
    void advance_to(std::int64_t position);
    // Fires a sample now, as AudioSample::play does on the live mixer.
    void play(AudioSample& sample) override;

    // Frames [begin, end) of the mix, interleaved stereo, into out.
    // Frames before the start or after everything has ended are silence.
    void mix(std::int64_t begin, std::int64_t end, std::int16_t* out) const;

    static constexpr int kChannels = 8;

private:
    struct VolumeChange {
        std::int64_t at;
        int volume;
    };
    struct Sounding {
        std::int64_t start;
        const std::int16_t* samples;
        std::int64_t frames;
    };

    int music_volume_at(std::int64_t position) const;

    std::vector<std::int16_t> music_;
    int frequency_;
    std::int64_t now_ = 0;
    std::vector<VolumeChange> volume_changes_;
    std::array<std::vector<Sounding>, kChannels> channels_;
    // The one duck of all samples: its end and the sample whose mark it clears.
    bool duck_pending_ = false;
    std::int64_t duck_end_ = 0;
    AudioSample* duck_owner_ = nullptr;
};

}  // namespace quillbarrow
