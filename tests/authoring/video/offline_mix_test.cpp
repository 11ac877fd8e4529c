#include <gtest/gtest.h>

#include <cstring>

#include <SDL_mixer.h>

#include "document/audio_sample.h"
#include "document/demo.h"
#include "video/offline_mix.h"
#include "video/video_renderer.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

// A WAV whose every sample is value, for frames at 44100 Hz stereo.
std::string level_wav(std::int16_t value, std::uint32_t frames) {
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    std::string data;
    for (std::uint32_t i = 0; i < frames * 2; ++i) data.append(reinterpret_cast<const char*>(&value), 2);
    return "RIFF" + u32(36 + frames * 4) + "WAVEfmt " + u32(16) + std::string("\x01\x00\x02\x00", 4) + u32(44100) +
           u32(44100 * 4) + std::string("\x04\x00\x10\x00", 4) + "data" + u32(frames * 4) + data;
}

struct Level {
    std::string wav;
    Mix_Chunk* chunk;
    Level(std::int16_t value, std::uint32_t frames)
        : wav(level_wav(value, frames)),
          chunk(Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1)) {}
    ~Level() { Mix_FreeChunk(chunk); }
};

std::unique_ptr<AudioSample> sample_of(std::int16_t value, std::uint32_t frames) {
    std::string wav = level_wav(value, frames);
    return std::make_unique<AudioSample>("level.wav", wav.data(), wav.size());
}

// The left channel of frames [at, at + 1).
int left_at(const OfflineMix& mix, std::int64_t at) {
    std::int16_t frame[2];
    mix.mix(at, at + 1, frame);
    return frame[0];
}

class OfflineMixTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(ensure_test_mixer(&error)) << error;
    }
};

}  // namespace

TEST_F(OfflineMixTest, SamplesDuckTheMusicUntilTheFirstEndsAndClipLikeTheMixer) {
    Level music(20000, 44100);
    OfflineMix mix(music.chunk, 44100);
    auto sample = sample_of(20000, 4410);  // 100 ms
    ASSERT_EQ(sample->duration, 100);
    mix.advance_to(1000);
    mix.play(*sample);
    EXPECT_EQ(left_at(mix, 999), 20000);
    EXPECT_EQ(left_at(mix, 1000), 32767);  // 20000 x 100 / 128 + 20000, clipped
    mix.advance_to(1000 + 4410);
    EXPECT_EQ(left_at(mix, 1000 + 4409), 32767);
    EXPECT_EQ(left_at(mix, 1000 + 4410), 20000);  // sample over, music back to full
    EXPECT_EQ(left_at(mix, 44100), 0);            // after the music: silence
    EXPECT_EQ(left_at(mix, -5), 0);

    // Negative sums clip at the bottom.
    Level low_music(-30000, 100);
    OfflineMix low(low_music.chunk, 44100);
    auto dip = sample_of(-20000, 100);
    low.play(*dip);
    EXPECT_EQ(left_at(low, 0), -32768);
}

TEST_F(OfflineMixTest, ASampleSoundsOnceUntilItsDuckEndsAndNineAtOnceLeaveOneUnheard) {
    OfflineMix mix(nullptr, 44100);
    auto sample = sample_of(1000, 44100);
    mix.play(*sample);
    mix.advance_to(100);
    mix.play(*sample);  // still marked as played: nothing new
    EXPECT_EQ(left_at(mix, 200), 1000);
    mix.advance_to(44100);
    EXPECT_FALSE(sample->played.load());
    mix.play(*sample);
    EXPECT_EQ(left_at(mix, 44100), 1000);

    OfflineMix crowded(nullptr, 44100);
    std::vector<std::unique_ptr<AudioSample>> nine;
    for (int i = 0; i < 9; ++i) {
        nine.push_back(sample_of(1000, 4410));
        crowded.advance_to(i);
        crowded.play(*nine.back());
    }
    EXPECT_EQ(left_at(crowded, 10), 8000);  // eight channels
    // Sample i sounds over [i, i + 4410); the ninth, fired at 8, was dropped.
    EXPECT_EQ(left_at(crowded, 4416), 1000);
    EXPECT_EQ(left_at(crowded, 4417), 0);
}

TEST(VideoFrames, RunFromTheFirstFrameReachingFromToThePlayersLast) {
    Demo demo;
    demo.bpm = 120.0f;
    demo.end_beat = 8.0f;
    demo.beat_offset = 0.0f;
    std::string error;
    VideoFrames frames;
    const FrameRate thirty{30, 1};
    ASSERT_TRUE(plan_video_frames(demo, thirty, {}, {}, frames, &error)) << error;
    EXPECT_EQ(frames.first, 0);
    EXPECT_EQ(frames.end, 122);  // frame 121 (beat 8.07) is the first past the end
    ASSERT_TRUE(plan_video_frames(demo, thirty, 2.0f, 6.0f, frames, &error)) << error;
    EXPECT_EQ(frames.first, 30);
    EXPECT_EQ(frames.end, 90);
    ASSERT_TRUE(plan_video_frames(demo, FrameRate{30000, 1001}, 2.0f, {}, frames, &error));
    EXPECT_EQ(frames.first, 30);  // 29.97 fps: frame 29 is at 0.9676 s, beat 1.935

    EXPECT_FALSE(plan_video_frames(demo, thirty, 9.0f, {}, frames, &error));
    EXPECT_FALSE(plan_video_frames(demo, thirty, 3.0f, 3.0f, frames, &error));
    demo.end_beat = 10000.0f;
    EXPECT_FALSE(plan_video_frames(demo, thirty, {}, {}, frames, &error));
    EXPECT_NE(error.find("--to"), std::string::npos) << error;
    ASSERT_TRUE(plan_video_frames(demo, thirty, {}, 1.0f, frames, &error));
    EXPECT_EQ(frames.end, 15);
    demo.bpm = 0.0f;
    EXPECT_FALSE(plan_video_frames(demo, thirty, {}, 1.0f, frames, &error));
}

}  // namespace quillbarrow
