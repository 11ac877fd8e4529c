#pragma once

#include <cstdint>
#include <string>

namespace quillbarrow {

// What one production may decode from its files. Images, model images and
// font textures share one pixel budget; audio samples share one budget of
// decoded sound; the music is decoded for analysis only as far as a command
// needs it, up to the same length.
inline constexpr std::uint64_t kDecodedPixelBudget = 128ull << 20;  // texels (512 MiB as RGBA8)
inline constexpr int kMaxDecodedAudioSeconds = 15 * 60;
// At the mixer's format: 44.1 kHz, stereo, 16-bit.
inline constexpr std::uint64_t kMaxDecodedAudioBytes = std::uint64_t(kMaxDecodedAudioSeconds) * 44100 * 4;

// The budget of one production load. A Demo opens a DecodeBudgetScope while
// its lists are read, so the records built then draw from it; the preview's
// reloads each start with a full budget. Records built outside any load
// draw from a fresh budget every time (the per-file limits still hold).
class DecodeBudget {
public:
    // Takes width x height texels; false (and nothing taken) when they exceed
    // what is left.
    bool take_pixels(long long width, long long height);
    std::uint64_t sound_bytes_left() const { return kMaxDecodedAudioBytes - sound_bytes_; }
    void take_sound_bytes(std::uint64_t bytes);

private:
    std::uint64_t pixels_ = 0;
    std::uint64_t sound_bytes_ = 0;
};

// The budget of the load under way; a fresh one when none is.
DecodeBudget& current_decode_budget();

class DecodeBudgetScope {
public:
    DecodeBudgetScope();
    ~DecodeBudgetScope();
    DecodeBudgetScope(const DecodeBudgetScope&) = delete;
    DecodeBudgetScope& operator=(const DecodeBudgetScope&) = delete;

private:
    DecodeBudget budget_;
    DecodeBudget* outer_;
};

// The sentence that says why a file's pixels were refused.
std::string pixel_budget_refusal();

}  // namespace quillbarrow
