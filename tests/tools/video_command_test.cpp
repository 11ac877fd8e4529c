// quillbarrow video, run as a real process, checked through the real ffmpeg.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "document/resource_test_helpers.h"
#include "system/child_process.h"
#include "serialization/byte_buffer.h"
#include "serialization/json_value.h"
#include "support/tool_process.h"

namespace quillbarrow {

namespace {

constexpr int kRate = 44100;

// A WAV of a stereo sine: amplitude of full scale, for seconds.
std::string tone_wav(double hertz, double amplitude, double seconds) {
    const auto frames = static_cast<std::uint32_t>(seconds * kRate);
    std::string data;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(
            std::lround(32767.0 * amplitude * std::sin(2 * std::numbers::pi * hertz * i / kRate)));
        for (int side = 0; side < 2; ++side) data.append(reinterpret_cast<const char*>(&value), 2);
    }
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    return "RIFF" + u32(36 + static_cast<std::uint32_t>(data.size())) + "WAVEfmt " + u32(16) +
           std::string("\x01\x00\x02\x00", 4) + u32(kRate) + u32(kRate * 4) + std::string("\x04\x00\x10\x00", 4) +
           "data" + u32(static_cast<std::uint32_t>(data.size())) + data;
}

const char kVertex[] = "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";
const char kFlash[] = "#version 150\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0); }\n";
// The top-left quarter shows the spectrum near 1 kHz in green.
const char kMeter[] = "#version 150\nuniform vec2 resolution;\nuniform sampler2D sound_texture;\nout vec4 fragColor;\n"
                      "void main() {\n  vec2 uv = gl_FragCoord.xy / resolution;\n"
                      "  float on = step(uv.x, 0.25) * step(0.75, uv.y);\n"
                      "  fragColor = vec4(0.0, texture(sound_texture, vec2(0.1, 0.25)).r, 0.0, on);\n}\n";

JsonValue shader(const std::string& fragment) {
    JsonValue s = JsonValue::object();
    s["vertex_shader_filename"] = "fullscreen.vert";
    s["fragment_shader_filename"] = fragment;
    return s;
}

JsonValue effect(const std::string& name, const std::string& program) {
    JsonValue e = JsonValue::object();
    e["name"] = name;
    e["program"] = program;
    return e;
}

JsonValue effect_event(const std::string& name, const std::string& effect_name, double start, double end) {
    JsonValue e = JsonValue::object();
    e["type"] = 1;
    e["name"] = name;
    e["effect"] = effect_name;
    e["start_beat"] = start;
    e["end_beat"] = end;
    e["visible"] = "true";
    return e;
}

class VideoCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
        ASSERT_EQ(std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null"), 0)
            << "ffmpeg is needed (scripts/install-deps.sh)";
        write_flash_project();
    }

    // 120 BPM, so beat 4 is at 2 s; black but for a white flash on beats 4
    // to 5, a 1 kHz sample fired at beat 4 over a quiet 200 Hz music.
    void write_flash_project() {
        put_file(dir.path() / "fullscreen.vert", kVertex);
        put_file(dir.path() / "flash.frag", kFlash);
        put_file(dir.path() / "meter.frag", kMeter);
        put_file(dir.path() / "beep.wav", tone_wav(1000, 0.5, 0.5));
        JsonValue p = JsonValue::object();
        p["music"] = base64_encode(tone_wav(200, 0.1, 6.0));
        p["bpm"] = 120.0;
        p["beat_offset"] = 0.0;
        p["end_beat"] = 8.0;
        p["shaders"][0] = shader("flash.frag");
        p["shaders"][1] = shader("meter.frag");
        p["effects"][0] = effect("flash", "flash.frag");
        p["effects"][1] = effect("meter", "meter.frag");
        p["audio_samples"][0]["name"] = "beep.wav";
        p["events"][0] = effect_event("flash", "flash", 4.0, 5.0);
        p["events"][1] = effect_event("meter", "meter", 0.0, 8.0);
        p["events"][2]["type"] = 2;
        p["events"][2]["name"] = "beep";
        p["events"][2]["audio_sample"] = "beep.wav";
        p["events"][2]["beat"] = 4.0;
        p["events"][2]["visible"] = "true";
        put_file(dir.path() / "project.json", p.dump(2));
    }

    ProcessResult tool(std::vector<std::string> args, ProcessOptions options = {}) {
        if (args.front() == "video")
            args.insert(args.begin(), QB_TOOL_PATH);
        else
            args.front() = find_on_path(args.front());
        options.working_directory = dir.path().string();
        options.timeout_seconds = 240;
        return run_process(args, options);
    }

    std::string probe(const std::string& stream, const std::string& entry, const std::string& file = "flash.mp4") {
        ProcessResult r = tool({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries", entry, "-of",
                                "default=nw=1:nk=1", file});
        std::string out = r.out;
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
        return out;
    }

    // Frame n of flash.mp4 as RGB bytes.
    std::string frame_rgb(int n) {
        return tool({"ffmpeg", "-v", "error", "-i", "flash.mp4", "-vf", "select=eq(n\\," + std::to_string(n) + ")",
                     "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"})
            .out;
    }

    ScratchDirectory dir{"video"};
};

// The pixel at (x, y) from the top left of a 64 x 36 RGB frame.
const unsigned char* pixel(const std::string& rgb, int x, int y) {
    return reinterpret_cast<const unsigned char*>(rgb.data()) + (y * 64 + x) * 3;
}

// Strength of one frequency in a stretch of the left channel (Goertzel).
double strength(const std::vector<std::int16_t>& stereo, double hertz, std::size_t begin, std::size_t count) {
    const double k = 2 * std::cos(2 * std::numbers::pi * hertz / kRate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = begin; i < begin + count && i * 2 < stereo.size(); ++i) {
        const double s = stereo[i * 2] / 32768.0 + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return std::sqrt(s1 * s1 + s2 * s2 - k * s1 * s2) / count;
}

}  // namespace

TEST_F(VideoCommand, RendersThePlayersFramesAndSoundInStep) {
    ProcessResult made = tool({"video", "project.json", "-o", "flash.mp4", "--fps", "30", "--size", "64x36"});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    EXPECT_NE(made.err.find("122 frames at 64x36"), std::string::npos) << made.err;  // one summary line, no progress

    // 0 to 121: the last is the first frame past the end beat (beat 8 at 4 s).
    EXPECT_EQ(probe("v:0", "stream=nb_frames"), "122");
    EXPECT_EQ(probe("v:0", "stream=codec_name"), "h264");
    EXPECT_EQ(probe("v:0", "stream=pix_fmt"), "yuv420p");
    EXPECT_EQ(probe("v:0", "stream=width") + "x" + probe("v:0", "stream=height"), "64x36");
    EXPECT_EQ(probe("v:0", "stream=color_space"), "bt709");
    EXPECT_EQ(probe("a:0", "stream=codec_name"), "aac");
    EXPECT_EQ(probe("a:0", "stream=sample_rate"), "44100");
    EXPECT_NEAR(std::stod(probe("v:0", "stream=duration")), 122.0 / 30.0, 1e-3);

    // Beat 4 is frame 60, beat 5 frame 75, both drawn with the flash.
    for (auto [n, white] : {std::pair{59, false}, {60, true}, {74, true}, {76, false}}) {
        std::string rgb = frame_rgb(n);
        ASSERT_EQ(rgb.size(), 64u * 36 * 3) << n;
        const unsigned char* p = pixel(rgb, 48, 27);
        EXPECT_EQ(p[0] > 200 && p[1] > 200 && p[2] > 200, white) << n << ": " << int(p[0]);
        EXPECT_EQ(p[0] < 30 && p[1] < 30 && p[2] < 30, !white) << n << ": " << int(p[0]);
    }
    // The meter sees the sound that has played by the frame's time: frame
    // 60 is drawn as the sample starts, frame 61 after 33 ms of it.
    const int before = pixel(frame_rgb(60), 4, 4)[1], after = pixel(frame_rgb(61), 4, 4)[1];
    EXPECT_GT(after, before + 60) << before << " then " << after;

    const std::string raw =
        tool({"ffmpeg", "-v", "error", "-i", "flash.mp4", "-f", "s16le", "-ac", "2", "-ar", "44100", "-"}).out;
    std::vector<std::int16_t> sound(raw.size() / 2);
    std::memcpy(sound.data(), raw.data(), sound.size() * 2);
    ASSERT_GT(sound.size(), std::size_t(4 * kRate * 2));
    // The 1 kHz tone starts within one video frame of 2 s.
    std::size_t onset = 0;
    for (std::size_t at = 0; at + 441 < sound.size() / 2; at += 147)
        if (strength(sound, 1000, at, 441) > 0.1) {
            onset = at + 441;
            break;
        }
    EXPECT_NEAR(onset / double(kRate), 2.0, 1.0 / 30) << onset;
    // The music plays at 100/128 while the sample sounds.
    const double full = strength(sound, 200, kRate * 1, kRate * 8 / 10);
    const double ducked = strength(sound, 200, kRate * 21 / 10, kRate * 3 / 10);
    EXPECT_NEAR(ducked / full, 100.0 / 128.0, 0.05) << full << " " << ducked;
}

TEST_F(VideoCommand, FramesFolderHoldsNumberedPngsAndTheWavTheSameEveryTime) {
    for (const char* folder : {"one", "two"}) {
        ProcessResult made = tool({"video", "project.json", "--frames", folder, "--fps", "30", "--size", "64x36",
                                   "--from", "2", "--to", "6", "--quiet"});
        ASSERT_EQ(made.exit_code, 0) << made.err;
    }
    // Beats 2 to 6, the last excluded: frames 30 to 89.
    for (int n = 0; n < 60; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", n);
        const std::string first = file_bytes(dir.path() / "one" / name);
        ASSERT_FALSE(first.empty()) << name;
        EXPECT_EQ(first, file_bytes(dir.path() / "two" / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "one" / "frame-000060.png"));
    const std::string wav = file_bytes(dir.path() / "one" / "sound.wav");
    EXPECT_EQ(wav.size(), 44u + (132300 - 44100) * 4);
    EXPECT_EQ(wav, file_bytes(dir.path() / "two" / "sound.wav"));
}

TEST_F(VideoCommand, OddSizesAndAMissingFfmpegAreRefusedWithTheWayOut) {
    ProcessResult odd = tool({"video", "project.json", "-o", "odd.mp4", "--size", "65x36"});
    EXPECT_EQ(odd.exit_code, 1);
    EXPECT_NE(odd.err.find("try --size 66x36"), std::string::npos) << odd.err;

    ProcessOptions no_ffmpeg;
    no_ffmpeg.environment.push_back("PATH=/nonexistent");
    ProcessResult missing = tool({"video", "project.json", "-o", "none.mp4", "--size", "64x36"}, no_ffmpeg);
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.err.find("ffmpeg was not found"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("--frames DIR"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "none.mp4"));

    for (const char* fps : {"0", "1/0", "-5", "2000", "x"})
        EXPECT_EQ(tool({"video", "project.json", "-o", "v.mp4", "--fps", fps}).exit_code, 2) << fps;
}

TEST_F(VideoCommand, TheExtensionChoosesTheContainerAndCodecs) {
    struct Expected {
        const char* file;
        const char* container;
        const char* video;
        const char* audio;
    };
    for (const Expected& e :
         {Expected{"clip.webm", "matroska,webm", "vp9", "opus"}, Expected{"clip.MKV", "matroska,webm", "h264", "aac"},
          Expected{"clip.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"}}) {
        ProcessResult made =
            tool({"video", "project.json", "-o", e.file, "--fps", "10", "--size", "64x36", "--to", "2", "--quiet"});
        ASSERT_EQ(made.exit_code, 0) << e.file << made.err;
        EXPECT_EQ(made.err, "") << "--quiet prints nothing but errors";
        EXPECT_EQ(probe("v:0", "format=format_name", e.file), e.container) << e.file;
        EXPECT_EQ(probe("v:0", "stream=codec_name", e.file), e.video) << e.file;
        EXPECT_EQ(probe("a:0", "stream=codec_name", e.file), e.audio) << e.file;
        EXPECT_EQ(probe("v:0", "stream=width", e.file), "64") << e.file;
    }
    for (const char* refused : {"clip.avi", "clip", "clip.mp4.txt"}) {
        ProcessResult r = tool({"video", "project.json", "-o", refused, "--size", "64x36"});
        EXPECT_EQ(r.exit_code, 2) << refused;
        EXPECT_NE(r.err.find(".mp4, .webm or .mkv"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path() / refused)) << refused;
    }
}

TEST_F(VideoCommand, TheExamplesSpectrumBarsMoveWithTheSound) {
    const std::string example = std::string(QB_EXAMPLES_DIR) + "/neon-drift/project.json";
    ProcessResult made = tool({"video", example, "-o", "example.mp4", "--fps", "30", "--size", "128x72", "--from", "16",
                               "--to", "18", "--quiet"});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    const std::string rgb =
        tool({"ffmpeg", "-v", "error", "-i", "example.mp4", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"}).out;
    const std::size_t frame_bytes = 128 * 72 * 3;
    ASSERT_EQ(rgb.size(), 30 * frame_bytes);
    // The bars are cyan over a warm background, in the bottom 30% of the picture.
    std::vector<int> lit;
    for (std::size_t f = 0; f < 30; ++f) {
        int count = 0;
        for (int y = 51; y < 72; ++y)
            for (int x = 0; x < 128; ++x) {
                const auto* p =
                    reinterpret_cast<const unsigned char*>(rgb.data()) + f * frame_bytes + (y * 128 + x) * 3;
                if (p[2] > p[0] + 60 && p[1] > 100) ++count;
            }
        lit.push_back(count);
    }
    const auto [low, high] = std::minmax_element(lit.begin(), lit.end());
    EXPECT_GT(*low, 300) << "the bars show while the music plays";
    EXPECT_GT(*high - *low, *low / 10 + 10) << *low << " to " << *high;
}

}  // namespace quillbarrow
