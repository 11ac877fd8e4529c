#pragma once

#include <cstddef>
#include <cstdint>

namespace quillbarrow {

// The live mix, analysed on the mixer's audio thread: a 1024 x 2 RGBA image
// (row 0 the spectrum, row 1 the waveform, four equal bytes per pixel) and a
// ring of recent absolute sample values whose mean is the audio level.
inline constexpr int kAudioCaptureWidth = 1024;
inline constexpr int kAudioCaptureHeight = 2;
inline constexpr std::size_t kAudioCaptureBytes = kAudioCaptureWidth * kAudioCaptureHeight * 4;
inline constexpr int kAudioLevelRingSize = 100;

// The 1024-point forward real FFT plan; made once, before the music starts.
// Later calls keep the existing plan.
void create_fft_state();

// Post-mix effect for Mix_RegisterEffect on MIX_CHANNEL_POST: reads one mixed
// chunk of interleaved stereo signed 16-bit samples (length in bytes) and
// leaves it unchanged. Allocates nothing and never blocks.
void analyse_audio(int channel, void* stream, int length, void* user);

// Mean of the level ring (integer division by its size).
int audio_level();

// The latest complete capture image, for the main thread. It never waits
// for the audio thread: a triple buffer hands over whole images, so the
// pointer stays valid and unchanged until the next call.
const std::uint8_t* acquire_audio_capture();

// Back to zeros (black image, level 0), as before the music started. Only
// while no analysis is running.
void reset_audio_analysis();

}  // namespace quillbarrow
