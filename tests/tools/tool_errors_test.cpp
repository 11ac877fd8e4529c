// The tool's commands stop early and say why, naming the file concerned:
// broken shaders, impossible video settings, a stopped video, corrupt payloads.

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "document/resource_test_helpers.h"
#include "serialization/byte_buffer.h"
#include "serialization/content_trailer.h"
#include "support/tool_process.h"

namespace quillbarrow {

namespace {

// A second of silence: every command reads the music.
std::string silent_wav() {
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const std::string data(44100 * 4, '\0');
    return "RIFF" + u32(36 + static_cast<std::uint32_t>(data.size())) + "WAVEfmt " + u32(16) +
           std::string("\x01\x00\x02\x00", 4) + u32(44100) + u32(44100 * 4) + std::string("\x04\x00\x10\x00", 4) +
           "data" + u32(static_cast<std::uint32_t>(data.size())) + data;
}

const char kVertex[] = "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";

class ToolErrors : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
        put_file(dir.path() / "v.vert", kVertex);
    }

    // A project of the given fragment files (name, text), one effect drawing
    // the first for end_beat beats.
    void write_project(const std::vector<std::pair<std::string, std::string>>& fragments, double end_beat = 4.0) {
        std::string shaders;
        for (const auto& [name, text] : fragments) {
            put_file(dir.path() / name, text);
            shaders += std::string(shaders.empty() ? "" : ",") +
                       R"({"vertex_shader_filename": "v.vert", "fragment_shader_filename": ")" + name + "\"}";
        }
        put_file(
            dir.path() / "project.json",
            R"({"music": ")" + base64_encode(silent_wav()) + R"(", "bpm": 120.0, "beat_offset": 0.0, "end_beat": )" +
                std::to_string(end_beat) + R"(, "shaders": [)" + shaders +
                R"(], "effects": [{"name": "fill", "program": ")" + fragments[0].first +
                R"("}], "events": [{"type": 1, "name": "fill", "effect": "fill", "start_beat": 0.0, "end_beat": )" +
                std::to_string(end_beat) + R"(, "visible": "true"}]})");
    }

    ProcessResult tool(const std::vector<std::string>& args) { return run_tool(args, dir.path().string()); }

    ScratchDirectory dir{"tool_errors"};
};

const char kFill[] = "#version 150\nout vec4 fragColor;\n#include \"colours.frag\"\n"
                     "void main() { fragColor = vec4(paint(), 1.0); }\n";

TEST_F(ToolErrors, BrokenShadersStopPackAndRenderWithTheFileAndLineOfTheError) {
    // The error is on line 2 of the included file, line 4 of the expanded program.
    write_project({{"fill.frag", kFill}, {"colours.frag", "// colours\nvec3 paint() { retrun vec3(1.0); }\n"}});
    const ProcessResult packed = tool({"pack", "project.json", "-o", "packed", "--player", QB_TOOL_PATH});
    const ProcessResult rendered =
        tool({"render", "project.json", "-o", "frame.png", "--beat", "1", "--size", "64x36"});
    for (const ProcessResult* result : {&packed, &rendered}) {
        EXPECT_EQ(result->exit_code, 1) << result->err;
        EXPECT_NE(result->err.find("colours.frag:2: error:"), std::string::npos) << result->err;
        EXPECT_NE(result->err.find("fragment shader of fill.frag"), std::string::npos) << result->err;
        EXPECT_EQ(result->out.find("0:4("), std::string::npos) << "raw driver log: " << result->out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "packed"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "frame.png"));
}

TEST_F(ToolErrors, ManyProgramsNamingOneSelfIncludingFileLoadAsOne) {
    // Each of 120 programs used to receive the other 119 copies of the file.
    std::string shaders;
    std::string big = "#version 150\nout vec4 fragColor;\n#include \"big.frag\"\n";
    while (big.size() < 20000) big += "float unused_" + std::to_string(big.size()) + "(float x) { return x; }\n";
    big += "void main() { fragColor = vec4(1.0); }\n";
    std::vector<std::pair<std::string, std::string>> fragments(120, {"big.frag", big});
    write_project(fragments);
    const ProcessResult checked = tool({"check", "project.json"});
    EXPECT_NE(checked.out.find("big.frag:3: error:"), std::string::npos) << checked.out << checked.err;
    EXPECT_LT(checked.seconds, 60.0);
    const ProcessResult rendered =
        tool({"render", "project.json", "-o", "frame.png", "--beat", "1", "--size", "64x36"});
    EXPECT_EQ(rendered.exit_code, 1);
    // The directive naming the file itself stays and is the one error.
    EXPECT_NE(rendered.err.find("big.frag:3: error:"), std::string::npos) << rendered.err;
    EXPECT_LT(rendered.err.size(), 120u * 400u) << "one short line per program";
}

TEST_F(ToolErrors, VideoRefusesWhatCannotWorkBeforeDrawingAFrame) {
    write_project({{"fill.frag", "#version 150\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0); }\n"}});
    const ProcessResult slow = tool({"video", "project.json", "-o", "v.mp4", "--fps", "1/9999999", "--size", "64x36"});
    EXPECT_EQ(slow.exit_code, 2) << slow.err;
    EXPECT_NE(slow.err.find("--fps"), std::string::npos) << slow.err;

    // A missing folder, and a "folder" that is a file.
    for (const std::string out : {"missing/dir/v.mp4", "project.json/v.mp4"}) {
        const ProcessResult result = tool({"video", "project.json", "-o", out, "--size", "64x36", "--quiet"});
        EXPECT_EQ(result.exit_code, 1) << result.err;
        EXPECT_NE(result.err.find("cannot write " + out), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("ffmpeg"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("frames at"), std::string::npos) << "rendered first: " << result.err;
    }

    // A production that lasts longer than a video may.
    write_project({{"fill.frag", "#version 150\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0); }\n"}},
                  9000.0);
    const ProcessResult long_one = tool({"video", "project.json", "--frames", "frames", "--size", "64x36", "--quiet"});
    EXPECT_EQ(long_one.exit_code, 1);
    EXPECT_NE(long_one.err.find("3600 s"), std::string::npos) << long_one.err;
    EXPECT_EQ(long_one.err.find("bad_alloc"), std::string::npos) << long_one.err;
}

TEST_F(ToolErrors, StoppedVideoLeavesNoScratchFolder) {
    write_project({{"fill.frag", "#version 150\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0); }\n"}},
                  3000.0);
    for (int signal : {SIGTERM, SIGINT}) {
        int pid = 0;
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.timeout_seconds = 120;
        options.poke_after_seconds = 4.0;
        options.poke = [&](int child) {
            pid = child;
            ::kill(child, signal);
        };
        const ProcessResult result = run_process(
            {QB_TOOL_PATH, "video", "project.json", "--frames", "frames", "--size", "64x36", "--quiet"}, options);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(result.exit_code, 1) << strsignal(signal) << ": " << result.err;
        EXPECT_NE(result.err.find("stopped by"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::temp_directory_path() /
                                             ("quillbarrow-video-" + std::to_string(pid))));
    }
}

TEST_F(ToolErrors, InfoRefusesARecordCountThePayloadCannotHold) {
    write_project({{"fill.frag", "#version 150\nout vec4 fragColor;\nvoid main() { fragColor = vec4(1.0); }\n"}});
    ASSERT_EQ(tool({"pack", "project.json", "-o", "packed", "--player", QB_TOOL_PATH}).exit_code, 0);
    const std::string packed = file_bytes(dir.path() / "packed");
    const PayloadRead payload = read_payload(dir.file("packed"));
    ASSERT_EQ(payload.status, TrailerStatus::Found);
    const std::size_t start = packed.size() - 8 - payload.bytes.size();
    for (std::uint64_t count : {std::uint64_t{9223372034707292159u}, std::uint64_t{5}}) {
        std::string patched = packed;
        std::memcpy(patched.data() + start, &count, 8);
        put_file(dir.path() / "patched", patched);
        const ProcessResult info = tool({"info", "patched"});
        EXPECT_EQ(info.exit_code, 1) << count << ": " << info.out;
        EXPECT_NE(info.err.find("record count"), std::string::npos) << info.err;
    }
}

}  // namespace

}  // namespace quillbarrow
