#include "video/offline_mix.h"

#include <algorithm>

#include <SDL_mixer.h>

namespace quillbarrow {

namespace {

constexpr int kDuckedMusicVolume = 100;

// SDL's mixing of one signed 16-bit sample into another.
std::int16_t add_clipped(int sum) { return static_cast<std::int16_t>(std::clamp(sum, -32768, 32767)); }

}  // namespace

OfflineMix::OfflineMix(const Mix_Chunk* music, int frequency) : frequency_(frequency) {
    if (music && music->abuf) {
        const auto* samples = reinterpret_cast<const std::int16_t*>(music->abuf);
        music_.assign(samples, samples + music->alen / 2);
    }
    volume_changes_.push_back({0, MIX_MAX_VOLUME});
}

void OfflineMix::advance_to(std::int64_t position) {
    now_ = std::max(now_, position);
    if (duck_pending_ && duck_end_ <= now_) {
        if (duck_owner_) duck_owner_->played = false;
        volume_changes_.push_back({duck_end_, MIX_MAX_VOLUME});
        duck_pending_ = false;
        duck_owner_ = nullptr;
    }
}

void OfflineMix::play(AudioSample& sample) {
    if (sample.played.exchange(true)) return;
    volume_changes_.push_back({now_, kDuckedMusicVolume});
    if (Mix_Chunk* chunk = sample.chunk) {
        // The first channel that is not sounding takes it; with all eight
        // busy the sample is not heard, as on the live mixer.
        const std::int64_t frames = chunk->alen / 4;
        for (auto& channel : channels_) {
            if (!channel.empty() && channel.back().start + channel.back().frames > now_) continue;
            channel.push_back({now_, reinterpret_cast<const std::int16_t*>(chunk->abuf), frames});
            break;
        }
    }
    if (duck_pending_) return;
    duck_pending_ = true;
    duck_owner_ = &sample;
    duck_end_ = now_ + static_cast<std::int64_t>(sample.duration) * frequency_ / 1000;
}

int OfflineMix::music_volume_at(std::int64_t position) const {
    auto after = std::upper_bound(volume_changes_.begin(), volume_changes_.end(), position,
                                  [](std::int64_t at, const VolumeChange& change) { return at < change.at; });
    return std::prev(after)->volume;
}

void OfflineMix::mix(std::int64_t begin, std::int64_t end, std::int16_t* out) const {
    const std::int64_t music_frames = static_cast<std::int64_t>(music_.size() / 2);
    for (std::int64_t i = begin; i < end; ++i) {
        std::int16_t* frame = out + (i - begin) * 2;
        frame[0] = frame[1] = 0;
        if (i < 0 || i >= music_frames) continue;
        const int volume = music_volume_at(i);
        for (int side = 0; side < 2; ++side)
            frame[side] = static_cast<std::int16_t>(music_[i * 2 + side] * volume / 128);
    }
    // Channel by channel, in channel order, as the mixer adds them.
    for (const auto& channel : channels_) {
        for (const Sounding& sound : channel) {
            const std::int64_t from = std::max(begin, sound.start), to = std::min(end, sound.start + sound.frames);
            for (std::int64_t i = from; i < to; ++i) {
                std::int16_t* frame = out + (i - begin) * 2;
                const std::int16_t* in = sound.samples + (i - sound.start) * 2;
                frame[0] = add_clipped(frame[0] + in[0]);
                frame[1] = add_clipped(frame[1] + in[1]);
            }
        }
    }
}

}  // namespace quillbarrow
