#include "audio/audio_analysis.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <numbers>

#include <kiss_fftr.h>

namespace quillbarrow {

namespace {

constexpr int kFftSize = 1024;
constexpr int kFftBins = kFftSize / 2 + 1;
constexpr std::size_t kRowBytes = kAudioCaptureWidth * 4;

struct HammingWindow {
    float weight[kFftSize];
    HammingWindow() {
        for (int i = 0; i < kFftSize; ++i) weight[i] = window_at(i);
    }
    static float window_at(int i) {
        return 0.54f - 0.46f * static_cast<float>(std::cos(2.0 * std::numbers::pi * i / 1023.0));
    }
    float operator()(int i) const { return i < kFftSize ? weight[i] : window_at(i); }
};
const HammingWindow hamming;

// Everything below the hand-over is touched by the audio thread only.
struct Analysis {
    std::atomic<kiss_fftr_cfg> plan{nullptr};
    float input[kFftSize] = {};
    kiss_fft_cpx output[kFftBins] = {};
    std::uint8_t capture[kAudioCaptureBytes] = {};
    int level_cursor = 0;
};
Analysis analysis;

std::atomic<std::int16_t> level_ring[kAudioLevelRingSize];

// Triple buffer: the audio thread fills its back image and swaps it with the
// middle one, marking it fresh; the main thread swaps its front image with
// the middle one when that is fresh. Neither side ever waits.
constexpr unsigned kFresh = 4;
std::uint8_t images[3][kAudioCaptureBytes];
std::atomic<unsigned> middle_image{1};
unsigned back_image = 0;   // audio thread
unsigned front_image = 2;  // main thread

void publish_capture() {
    std::memcpy(images[back_image], analysis.capture, kAudioCaptureBytes);
    back_image = middle_image.exchange(back_image | kFresh, std::memory_order_acq_rel) & 3;
}

void fill_pixel(std::uint8_t* row, int column, int value) {
    std::memset(row + column * 4, static_cast<std::uint8_t>(value), 4);
}

}  // namespace

void create_fft_state() {
    if (analysis.plan.load()) return;
    analysis.plan = kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr);
}

void analyse_audio(int, void* stream, int length, void*) {
    if (!stream || length <= 0) return;
    const auto* samples = static_cast<const std::int16_t*>(stream);
    const int frames = length / 4;

    // The level ring takes the chunk's first samples, as many as it has.
    const int level_samples = std::min(kAudioLevelRingSize, length / 2);
    for (int i = 0; i < level_samples; ++i) {
        int magnitude = std::min(std::abs(static_cast<int>(samples[i])), 32767);
        level_ring[analysis.level_cursor].store(static_cast<std::int16_t>(magnitude), std::memory_order_relaxed);
        analysis.level_cursor = (analysis.level_cursor + 1) % kAudioLevelRingSize;
    }

    // One frame has no column spacing (it would divide by zero): such a
    // chunk changes only the level.
    if (frames < 2) return;

    std::uint8_t* waveform = analysis.capture + kRowBytes;
    float weight_sum = 0.0f;
    for (int i = 0; i < frames; ++i) {
        const int column = static_cast<int>(static_cast<std::int64_t>(i) * 1023 / (frames - 1));
        const int left = samples[i * 2];
        fill_pixel(waveform, column, left / 256 + 128);
        const float weight = hamming(i);
        analysis.input[column] = static_cast<float>(left) * (1.0f / 32768.0f) * weight;
        weight_sum += weight;
    }

    if (kiss_fftr_cfg plan = analysis.plan.load(std::memory_order_acquire)) {
        kiss_fftr(plan, analysis.input, analysis.output);
        const float half = weight_sum * 0.5f;
        std::uint8_t* spectrum = analysis.capture;
        for (int k = 0; k < kAudioCaptureWidth; ++k) {
            const kiss_fft_cpx bin = analysis.output[k * 20000 / 88200];
            const float magnitude = std::sqrt(bin.r * bin.r + bin.i * bin.i);
            const float db = 20.0f * std::log10(magnitude / half);
            // Values above 0 dB are held at full brightness.
            const int value = static_cast<int>((std::max(db, -90.0f) + 90.0f) * 255.0f / 90.0f);
            fill_pixel(spectrum, k, std::min(value, 255));
        }
    }
    publish_capture();
}

int audio_level() {
    int sum = 0;
    for (const auto& value : level_ring) sum += value.load(std::memory_order_relaxed);
    return sum / kAudioLevelRingSize;
}

const std::uint8_t* acquire_audio_capture() {
    if (middle_image.load(std::memory_order_acquire) & kFresh) {
        front_image = middle_image.exchange(front_image, std::memory_order_acq_rel) & 3;
    }
    return images[front_image];
}

void reset_audio_analysis() {
    std::memset(analysis.capture, 0, sizeof analysis.capture);
    std::memset(analysis.input, 0, sizeof analysis.input);
    std::memset(images, 0, sizeof images);
    middle_image = 1;
    back_image = 0;
    front_image = 2;
    analysis.level_cursor = 0;
    for (auto& value : level_ring) value.store(0, std::memory_order_relaxed);
}

}  // namespace quillbarrow
