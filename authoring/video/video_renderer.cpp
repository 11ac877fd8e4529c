#include "video/video_renderer.h"

#include <array>
#include <algorithm>
#include <cmath>

#include "document/demo.h"
#include "player/audio_analysis.h"
#include "offscreen/frame_renderer.h"
#include "video/offline_mix.h"
#include "video/pixel_readback_ring.h"
#include "player/frame_step.h"
#include "player/player_state.h"

namespace quillbarrow {

namespace {

// More frames than any video we make: about 14 months at 60 fps.
constexpr std::int64_t kMostFrames = std::int64_t(1) << 31;

constexpr int kAnalysisFrames = 1024;

// Feeds the player's analysis the sound frames that end at position.
void analyse_mix_before(const OfflineMix& mix, std::int64_t position) {
    static std::array<std::int16_t, kAnalysisFrames * 2> window;
    mix.mix(position - kAnalysisFrames, position, window.data());
    analyse_audio(-2, window.data(), static_cast<int>(window.size() * 2), nullptr);
}

// Routes fired samples to the offline mix for as long as it lives.
struct SampleOutputScope {
    explicit SampleOutputScope(SampleOutput* output) { set_sample_output(output); }
    ~SampleOutputScope() { set_sample_output(nullptr); }
};

}  // namespace

bool plan_video_frames(const Demo& demo, FrameRate rate, std::optional<float> from, std::optional<float> to,
                       VideoFrames& frames, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!(demo.bpm > 0.0f) || !std::isfinite(demo.bpm)) return fail("the production's BPM is not a positive number");
    const bool ends_itself = demo.end_beat < 10000.0f;
    if (!ends_itself && !to) return fail("the production never ends by itself (end beat 10000 or more): give --to");
    if (from && ends_itself && *from > demo.end_beat) return fail("--from is past the production's end beat");
    auto beat = [&](std::int64_t n) { return frame_beat(n, rate, demo.bpm, demo.beat_offset); };

    // Frames past an hour are never planned, so a tiny rate or a far --to costs nothing.
    const double most = kMaxVideoSeconds * static_cast<double>(rate.numerator) / static_cast<double>(rate.denominator);
    const std::int64_t last = std::min<std::int64_t>(kMostFrames, static_cast<std::int64_t>(most) + 2);
    const std::string too_long = "the video would last more than " +
                                 std::to_string(static_cast<int>(kMaxVideoSeconds)) +
                                 " s from the production's start: give --to, or a higher --fps";
    std::int64_t first = 0;
    if (from)
        while (beat(first) < *from && first < last) ++first;
    std::int64_t end = first;
    while (end < last) {
        const float b = beat(end);
        if (to && b >= *to) break;
        ++end;
        if (ends_itself && b > demo.end_beat) break;  // the player draws that frame, then stops
    }
    if (end >= last || frame_time_ms(end, rate) > kMaxVideoSeconds * 1000.0) return fail(too_long);
    if (end == first) return fail("no frame of the production falls between --from and --to");
    frames = {first, end};
    return true;
}

bool render_video(Demo& demo, FrameRate rate, const VideoFrames& frames, const VideoCallbacks& callbacks,
                  std::vector<std::int16_t>& sound, std::string* error) {
    const int frequency = audio_format.frequency;
    const double last_second = static_cast<double>(frame_sound_position(frames.end, rate, frequency)) / frequency;
    OfflineMix mix(decoded_music(demo, last_second), frequency);
    SampleOutputScope route(&mix);
    for (auto& sample : demo.audio_samples) sample->played = false;
    create_fft_state();
    reset_audio_analysis();

    PixelReadbackRing ring(display_size.viewport_width, display_size.viewport_height);
    std::int64_t delivered = frames.first;
    auto deliver = [&](const std::uint8_t* pixels) { return callbacks.frame(delivered++, pixels); };
    bool going = true;
    for (std::int64_t n = 0; n < frames.end && going; ++n) {
        const std::int64_t position = frame_sound_position(n, rate, frequency);
        mix.advance_to(position);
        analyse_mix_before(mix, position);
        // The frames played unseen before the first shown one do not count towards the speed.
        if (n == frames.first && callbacks.progress) callbacks.progress(0, frames.count());
        step_standalone_frame(demo, frame_beat(n, rate, demo.bpm, demo.beat_offset));
        if (n < frames.first) continue;
        going = ring.read_frame(deliver);
        if (callbacks.progress) callbacks.progress(n + 1 - frames.first, frames.count());
    }
    going = going && ring.drain(deliver);
    if (!going) {
        if (error) *error = "the frames could not be written";
        return false;
    }
    const std::int64_t begin = frame_sound_position(frames.first, rate, frequency);
    const std::int64_t end = frame_sound_position(frames.end, rate, frequency);
    mix.advance_to(end);
    sound.assign(static_cast<std::size_t>(end - begin) * 2, 0);
    mix.mix(begin, end, sound.data());
    return true;
}

}  // namespace quillbarrow
