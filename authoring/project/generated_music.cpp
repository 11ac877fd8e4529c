#include "project/generated_music.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quillbarrow {

namespace {

constexpr int kRate = 22050;
constexpr double kTau = 6.283185307179586;

// Roots of a four-bar progression (A, F, C, G), one bar each, in Hz.
constexpr double kBarRoots[4] = {55.0, 43.65, 65.41, 49.0};
// Each eighth of a bar: 0 rests, 1 plays the root, 2 its octave.
constexpr int kBassPattern[8] = {0, 1, 1, 2, 0, 1, 2, 1};

// A kick: a sine falling from 150 Hz to 45 Hz, dying away within a beat.
double kick(double t) {
    const double phase = kTau * (45.0 * t + 105.0 / 30.0 * (1.0 - std::exp(-30.0 * t)));
    return std::sin(phase) * std::exp(-7.0 * t);
}

// A bass note: a square softened towards a sine by its own overtones' decay.
double bass(double t, double frequency) {
    const double phase = kTau * frequency * t;
    const double body = std::sin(phase) + 0.3 * std::sin(3.0 * phase) * std::exp(-6.0 * t);
    const double attack = std::min(1.0, t * 200.0);
    return body * attack * std::exp(-5.0 * t);
}

// A hat: noise from a fixed seed, so the same file every time.
double hat(double t, std::uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = static_cast<double>(seed >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    return noise * std::exp(-40.0 * t);
}

void append_u32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void append_u16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value));
    out.push_back(static_cast<char>(value >> 8));
}

std::string wav_file(const std::vector<std::int16_t>& samples) {
    const auto data_bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    append_u32(out, 36 + data_bytes);
    out += "WAVEfmt ";
    append_u32(out, 16);
    append_u16(out, 1);  // PCM
    append_u16(out, 1);  // mono
    append_u32(out, kRate);
    append_u32(out, kRate * 2);
    append_u16(out, 2);
    append_u16(out, 16);
    out += "data";
    append_u32(out, data_bytes);
    for (std::int16_t sample : samples) append_u16(out, static_cast<std::uint16_t>(sample));
    return out;
}

}  // namespace

std::string generated_music_wav(double seconds, double bpm) {
    const double beat_seconds = 60.0 / bpm;
    const double eighth_seconds = beat_seconds / 2.0;
    const auto count = static_cast<std::size_t>(seconds * kRate);
    std::vector<std::int16_t> samples(count);
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double in_beat = std::fmod(t, beat_seconds);
        const auto eighth = static_cast<long>(t / eighth_seconds);
        const double in_eighth = t - static_cast<double>(eighth) * eighth_seconds;
        const int step = kBassPattern[eighth % 8];
        const double root = kBarRoots[(eighth / 8) % 4];
        double mix = 0.55 * kick(in_beat);
        if (step != 0) mix += 0.3 * bass(in_eighth, root * step);
        if (eighth % 2 == 1) mix += 0.08 * hat(in_eighth, seed);
        // The last half second fades out, so the loop ends without a click.
        mix *= std::min(1.0, (seconds - t) / 0.5);
        samples[i] = static_cast<std::int16_t>(std::clamp(mix, -1.0, 1.0) * 32000.0);
    }
    return wav_file(samples);
}

}  // namespace quillbarrow
