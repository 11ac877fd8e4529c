#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <SDL_mixer.h>

#include "document/audio_sample.h"
#include "document/resource_test_helpers.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

using namespace std::chrono_literals;

std::unique_ptr<AudioSample> load_sample(const std::string& file) {
    std::string bytes = file_bytes(test_data_path("resources/" + file));
    return std::make_unique<AudioSample>(file, bytes.data(), bytes.size());
}

// Waits for the pending duck timer, if any, to fire.
bool wait_for_duck_end(std::chrono::milliseconds limit) {
    auto until = std::chrono::steady_clock::now() + limit;
    while (music_duck_pending()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class AudioSampleTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(ensure_test_mixer(&error)) << error;
        ASSERT_TRUE(wait_for_duck_end(5s));
        Mix_HaltChannel(-1);
        Mix_VolumeMusic(MIX_MAX_VOLUME);
    }
    void TearDown() override {
        wait_for_duck_end(5s);
        Mix_HaltChannel(-1);
    }
};

TEST(SoundDuration, UsesTheMixerFormatWithoutOverflow) {
    EXPECT_EQ(sound_duration_ms(176400, 2, 44100), 1000);
    EXPECT_EQ(sound_duration_ms(176399, 2, 44100), 999);  // truncates
    EXPECT_EQ(sound_duration_ms(88200, 1, 44100), 1000);
    // Half an hour of stereo 16-bit sound: the 32-bit product would wrap.
    EXPECT_EQ(sound_duration_ms(1800ull * 176400, 2, 44100), 1800000);
    // A format that was never queried falls back to the player's.
    EXPECT_EQ(sound_duration_ms(176400, 0, 0), 1000);
}

TEST_F(AudioSampleTest, WavAndOggDecodeToTheirDurations) {
    auto wav = load_sample("tone_1s_stereo.wav");
    ASSERT_NE(wav->chunk, nullptr) << Mix_GetError();
    EXPECT_EQ(wav->chunk->alen, 176400u);
    EXPECT_EQ(wav->duration, 1000);

    // 0.5 s mono at 22050 Hz, converted to the mixer's 44100 Hz stereo.
    auto ogg = load_sample("tone_half_mono.ogg");
    ASSERT_NE(ogg->chunk, nullptr) << Mix_GetError();
    EXPECT_NEAR(ogg->duration, 500, 3);
}

TEST_F(AudioSampleTest, PlayDucksTheMusicUntilItsTimerRestoresIt) {
    auto sample = load_sample("tone_half_mono.ogg");
    sample->play();
    EXPECT_TRUE(sample->played);
    EXPECT_EQ(Mix_VolumeMusic(-1), 100);
    EXPECT_EQ(Mix_Playing(-1), 1);
    EXPECT_TRUE(music_duck_pending());

    // Frames within the sample's length do not restart it.
    sample->play();
    sample->play();
    EXPECT_EQ(Mix_Playing(-1), 1);

    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Mix_VolumeMusic(-1), 100);  // still ducked while it sounds
    ASSERT_TRUE(wait_for_duck_end(3s));
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
    EXPECT_FALSE(sample->played);

    // Once the timer has fired the sample can start again.
    sample->play();
    EXPECT_TRUE(sample->played);
    EXPECT_TRUE(music_duck_pending());
}

TEST_F(AudioSampleTest, TwoSamplesAtOneBeatBothSoundAndOnlyTheFirstTimerRuns) {
    auto first = load_sample("tone_half_mono.ogg");
    auto second = load_sample("tone_1s_stereo.wav");
    auto start = std::chrono::steady_clock::now();
    first->play();
    second->play();
    EXPECT_EQ(Mix_Playing(-1), 2);
    EXPECT_EQ(Mix_VolumeMusic(-1), 100);

    ASSERT_TRUE(wait_for_duck_end(3s));
    auto elapsed = std::chrono::steady_clock::now() - start;
    // The first sample's timer: about half a second, not the second's one.
    EXPECT_GE(elapsed, 450ms);
    EXPECT_LT(elapsed, 900ms);
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
    EXPECT_FALSE(first->played);
    EXPECT_TRUE(second->played);

    // The second stays marked: firing it again does nothing, and no timer
    // will ever clear it.
    Mix_HaltChannel(-1);
    second->play();
    EXPECT_EQ(Mix_Playing(-1), 0);
    EXPECT_FALSE(music_duck_pending());
}

TEST_F(AudioSampleTest, UndecodableSampleStillDucksWithAZeroTimer) {
    const char garbage[] = "not a sound file";
    AudioSample sample("broken.wav", garbage, sizeof garbage);
    EXPECT_EQ(sample.chunk, nullptr);
    EXPECT_EQ(sample.duration, 0);
    sample.play();
    EXPECT_EQ(Mix_Playing(-1), 0);
    ASSERT_TRUE(wait_for_duck_end(1s));
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
    EXPECT_FALSE(sample.played);
}

TEST_F(AudioSampleTest, DestroyingTheTimerOwnerEndsTheDuck) {
    auto sample = load_sample("tone_1s_stereo.wav");
    sample->play();
    ASSERT_TRUE(music_duck_pending());
    sample.reset();
    EXPECT_FALSE(music_duck_pending());
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
}

TEST_F(AudioSampleTest, JsonAndBinaryFormsCarryTheSoundFile) {
    ScratchDirectory dir("audio");
    std::string path = dir.file("tone.ogg");
    std::string bytes = file_bytes(test_data_path("resources/tone_half_mono.ogg"));
    put_file(path, bytes);

    JsonValue value = JsonValue::object();
    value["name"] = path;
    AudioSample from_file(value);
    ASSERT_NE(from_file.chunk, nullptr);

    JsonValue embedded = from_file.to_json(false);
    EXPECT_EQ(embedded["audio_buffer"].as_string(), base64_encode(bytes));
    auto from_binary = binary_round_trip(AudioSample(embedded));
    EXPECT_EQ(from_binary->name, path);
    EXPECT_EQ(from_binary->buffer->view(), bytes);
    EXPECT_EQ(from_binary->duration, from_file.duration);
    EXPECT_FALSE(from_binary->played);

    std::filesystem::remove(path);
    JsonValue exported = from_binary->to_json(true);
    EXPECT_FALSE(exported.has("audio_buffer"));
    EXPECT_EQ(file_bytes(path), bytes);
}

}  // namespace

}  // namespace quillbarrow
