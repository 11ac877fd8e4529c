#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <numbers>
#include <cstdint>
#include <thread>
#include <vector>

#include <SDL.h>
#include <SDL_mixer.h>

#include "document/audio_sample.h"
#include "audio/audio_analysis.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

constexpr int kFrames = 1024;

// Interleaved stereo chunk with the same value on both channels.
std::vector<std::int16_t> constant_chunk(std::int16_t value, int frames = kFrames) {
    return std::vector<std::int16_t>(static_cast<std::size_t>(frames) * 2, value);
}

std::vector<std::int16_t> tone_chunk(double hz, double amplitude) {
    std::vector<std::int16_t> chunk(kFrames * 2);
    for (int i = 0; i < kFrames; ++i) {
        auto v = static_cast<std::int16_t>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / 44100.0));
        chunk[i * 2] = chunk[i * 2 + 1] = v;
    }
    return chunk;
}

void analyse(std::vector<std::int16_t>& chunk) {
    analyse_audio(-2, chunk.data(), static_cast<int>(chunk.size() * 2), nullptr);
}

int spectrum_at(const std::uint8_t* image, int column) { return image[column * 4]; }
int waveform_at(const std::uint8_t* image, int column) { return image[4096 + column * 4]; }

class AudioAnalysis : public ::testing::Test {
protected:
    void SetUp() override {
        reset_audio_analysis();
        create_fft_state();
    }
};

TEST_F(AudioAnalysis, SilenceGivesBlackSpectrumMidWaveformAndNoLevel) {
    auto chunk = constant_chunk(0);
    analyse(chunk);
    const std::uint8_t* image = acquire_audio_capture();
    for (int k = 0; k < 1024; ++k) {
        ASSERT_EQ(spectrum_at(image, k), 0) << "column " << k;
        ASSERT_EQ(waveform_at(image, k), 128) << "column " << k;
    }
    EXPECT_EQ(audio_level(), 0);
}

TEST_F(AudioAnalysis, FullScaleSamplesReachTheWaveformEnds) {
    auto high = constant_chunk(32767);
    analyse(high);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 0), 255);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 1023), 255);
    EXPECT_EQ(audio_level(), 32767);

    auto low = constant_chunk(-32768);
    analyse(low);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 0), 0);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 512), 0);
    // |-32768| does not fit 16 bits and is held at 32767.
    EXPECT_EQ(audio_level(), 32767);
}

TEST_F(AudioAnalysis, ColumnsZeroToFourShowDcAndColumnFiveTheFirstBin) {
    // A constant half-scale signal: bin 0 is exactly half the window sum
    // (0 dB), bin 1 is the window's first side lobe, bin 2 almost nothing.
    auto chunk = constant_chunk(16384);
    analyse(chunk);
    const std::uint8_t* image = acquire_audio_capture();
    for (int k = 0; k <= 4; ++k) EXPECT_GE(spectrum_at(image, k), 254) << "column " << k;
    EXPECT_GT(spectrum_at(image, 5), 220);
    EXPECT_LT(spectrum_at(image, 5), 245);
    EXPECT_EQ(spectrum_at(image, 5), spectrum_at(image, 8));  // 5 to 8 all show bin 1
    EXPECT_LT(spectrum_at(image, 9), spectrum_at(image, 8));  // column 9 is bin 2
}

TEST_F(AudioAnalysis, OneKilohertzTonePeaksInColumns102To105) {
    auto chunk = tone_chunk(1000.0, 30000.0);
    analyse(chunk);
    const std::uint8_t* image = acquire_audio_capture();
    int peak = 0;
    for (int k = 0; k < 1024; ++k) peak = std::max(peak, spectrum_at(image, k));
    for (int k = 0; k < 1024; ++k) {
        bool in_peak_bin = k >= 102 && k <= 105;
        if (in_peak_bin)
            EXPECT_EQ(spectrum_at(image, k), peak) << "column " << k;
        else
            EXPECT_LT(spectrum_at(image, k), peak) << "column " << k;
    }
    for (std::size_t p = 0; p < kAudioCaptureBytes; p += 4) {
        ASSERT_TRUE(image[p] == image[p + 1] && image[p] == image[p + 2] && image[p] == image[p + 3]) << "byte " << p;
    }
}

TEST_F(AudioAnalysis, LevelIsTheMeanOfTheFirstHundredSamples) {
    auto chunk = constant_chunk(0);
    for (int i = 0; i < 100; ++i) chunk[i] = static_cast<std::int16_t>(i % 2 ? -300 : 100);
    analyse(chunk);
    EXPECT_EQ(audio_level(), 200);
    // Only the first 100 samples feed the ring: a loud tail changes nothing.
    for (std::size_t i = 100; i < chunk.size(); ++i) chunk[i] = 30000;
    analyse(chunk);
    EXPECT_EQ(audio_level(), 200);
}

TEST_F(AudioAnalysis, TinyChunksNeverDivideByZeroNorReadPastTheirEnd) {
    auto silence = constant_chunk(0);
    analyse(silence);
    // One frame: the level takes its two samples, the image stays.
    std::vector<std::int16_t> one = {5000, 5000};
    analyse(one);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 0), 128);
    EXPECT_EQ(audio_level(), 100);  // two samples of 5000 in a ring of 100

    analyse_audio(-2, one.data(), 0, nullptr);
    analyse_audio(-2, nullptr, 4, nullptr);
    EXPECT_EQ(audio_level(), 100);

    // Two frames map to the first and last columns.
    std::vector<std::int16_t> two = {32767, 32767, -32768, -32768};
    analyse(two);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 0), 255);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 1023), 0);
    EXPECT_EQ(waveform_at(acquire_audio_capture(), 512), 128);  // kept from the silent chunk
}

TEST_F(AudioAnalysis, LongerChunksShareColumns) {
    auto chunk = constant_chunk(0, 2048);
    for (int i = 0; i < 2048; ++i) chunk[i * 2] = static_cast<std::int16_t>(i < 1024 ? 256 * 100 : -256 * 100);
    analyse(chunk);
    const std::uint8_t* image = acquire_audio_capture();
    EXPECT_EQ(waveform_at(image, 0), 228);
    EXPECT_EQ(waveform_at(image, 1023), 28);
}

TEST_F(AudioAnalysis, MainThreadAlwaysSeesWholeImages) {
    // The audio thread alternates silent and full-scale chunks; every image
    // the main thread takes must come from one chunk only.
    std::atomic<bool> stop{false};
    std::atomic<int> chunks{0};
    std::thread audio([&] {
        auto silence = constant_chunk(0);
        auto loud = constant_chunk(32767);
        for (int n = 0; !stop; ++n) {
            analyse(n % 2 ? loud : silence);
            chunks.fetch_add(1);
        }
    });
    int mixed = 0, silent_seen = 0, loud_seen = 0;
    // Until the audio thread has made plenty of chunks (bounded in time, the
    // machine may be busy).
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int frame = 0; (chunks < 4000 || frame < 2000) && std::chrono::steady_clock::now() < until; ++frame) {
        const std::uint8_t* image = acquire_audio_capture();
        int first = waveform_at(image, 0);
        if (first == 128) ++silent_seen;
        if (first == 255) ++loud_seen;
        for (int k = 1; k < 1024; ++k) {
            if (waveform_at(image, k) != first) {
                ++mixed;
                break;
            }
        }
    }
    stop = true;
    audio.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(silent_seen, 0);
    EXPECT_GT(loud_seen, 0);
}

TEST_F(AudioAnalysis, RunsAsThePostMixEffectOfARealMixer) {
    std::string error;
    ASSERT_TRUE(ensure_test_mixer(&error)) << error;
    std::FILE* file = std::fopen(test_data_path("resources/tone_1s_stereo.wav").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<char> bytes(200000);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    Mix_Chunk* tone = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    ASSERT_NE(tone, nullptr) << Mix_GetError();

    ASSERT_NE(Mix_RegisterEffect(MIX_CHANNEL_POST, analyse_audio, nullptr, nullptr), 0) << Mix_GetError();
    int channel = Mix_PlayChannelTimed(-1, tone, 0, -1);
    ASSERT_GE(channel, 0);
    int level = 0;
    for (int wait = 0; wait < 100 && level == 0; ++wait) {
        SDL_Delay(10);
        level = audio_level();
    }
    SDL_Delay(100);  // a few whole chunks of the steady tone
    Mix_UnregisterEffect(MIX_CHANNEL_POST, analyse_audio);
    Mix_HaltChannel(channel);
    Mix_FreeChunk(tone);

    EXPECT_GT(level, 0);
    // 440 Hz is bin 10 (440 * 1024 / 44100 = 10.2): columns 45 to 48.
    const std::uint8_t* image = acquire_audio_capture();
    int peak_column = 0;
    for (int k = 0; k < 1024; ++k) {
        if (spectrum_at(image, k) > spectrum_at(image, peak_column)) peak_column = k;
    }
    EXPECT_GE(peak_column, 45);
    EXPECT_LE(peak_column, 48);
    int moving = 0;
    for (int k = 0; k < 1024; ++k) moving += waveform_at(image, k) != 128;
    EXPECT_GT(moving, 900);
}

}  // namespace

}  // namespace quillbarrow
