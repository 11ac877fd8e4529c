// quillbarrow preview, run as a real process on a display of its own and
// steered with xdotool; its status file tells the beat and the colour shown.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "document/resource_test_helpers.h"
#include "support/private_display.h"
#include "support/process.h"

namespace quillbarrow {

namespace {

struct Shown {
    bool read = false;
    float beat = 0.0f;
    int paused = 0, looping = 0, reloads = 0;
    float loop_start = 0.0f, loop_end = 0.0f;
    int red = 0, green = 0, blue = 0;
};

// 120 BPM, no offset: two beats a second. One effect fills the window with
// the colour its program gets from an included program.
const char kProject[] = R"({
  "music": "", "bpm": 120.0, "beat_offset": 0.0, "end_beat": 10000.0,
  "shaders": [
    {"vertex_shader_filename": "shaders/quad.vert", "fragment_shader_filename": "shaders/fill.frag", "uniform_defs": []},
    {"vertex_shader_filename": "shaders/quad.vert", "fragment_shader_filename": "shaders/colours.frag", "uniform_defs": []}
  ],
  "effects": [{"name": "fill", "program": "shaders/fill.frag", "textures": [], "effects": [], "font_textures": [],
               "feedback": false, "screen_texture": false}],
  "events": [{"type": 1, "name": "fill", "effect": "fill", "start_beat": 0.0, "end_beat": 10000.0,
              "visible": "true", "control_points": {}}]
})";

const char kVertex[] = "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";
const char kFill[] = "// fills the window\n#include \"shaders/colours.frag\"\n"
                     "void main() { fragColor = vec4(paint(), 1.0); }\n";

std::string colours(const std::string& paint) {
    return "#version 150\nout vec4 fragColor;\nvec3 paint() { return " + paint +
           "; }\n#if __LINE__ == 4\nvoid main() { fragColor = vec4(paint(), 1.0); }\n#endif\n";
}

const std::string kRed = colours("vec3(1.0, 0.0, 0.0)");
const std::string kGreen = colours("vec3(0.0, 1.0, 0.0)");

bool is_red(const Shown& s) { return s.read && s.red > 200 && s.green < 50; }
bool is_green(const Shown& s) { return s.read && s.green > 200 && s.red < 50; }

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
        ASSERT_EQ(std::system("command -v xdotool >/dev/null"), 0) << "xdotool is needed (scripts/install-deps.sh)";
        display = std::make_unique<PrivateDisplay>();
        ASSERT_TRUE(display->ok()) << "cannot start a private Xvfb";
        std::filesystem::create_directories(dir.path() / "shaders");
        put_file(dir.path() / "project.json", kProject);
        put_file(dir.path() / "shaders/quad.vert", kVertex);
        put_file(dir.path() / "shaders/fill.frag", kFill);
        put_file(dir.path() / "shaders/colours.frag", kRed);
    }

    // Runs the preview while the scenario steers it; the scenario ends it
    // with Escape.
    ProcessResult preview(const std::function<void()>& scenario, std::vector<std::string> extra = {}) {
        std::vector<std::string> argv{QB_TOOL_PATH, "preview",       "project.json", "--size",
                                      "64x36",      "--status-file", status_path};
        argv.insert(argv.end(), extra.begin(), extra.end());
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.environment = {display->assignment(), "SDL_AUDIODRIVER=dummy"};
        options.timeout_seconds = 60.0;
        options.poke_after_seconds = 0.1;
        options.poke = [&](int) {
            scenario();
            keys("key Escape");
        };
        return run_process(argv, options);
    }

    Shown shown() const {
        Shown s;
        std::ifstream in(status_path);
        std::string key;
        while (in >> key) {
            if (key == "beat")
                in >> s.beat;
            else if (key == "paused")
                in >> s.paused;
            else if (key == "looping")
                in >> s.looping >> s.loop_start >> s.loop_end;
            else if (key == "reloads")
                in >> s.reloads;
            else if (key == "pixel")
                s.read = static_cast<bool>(in >> s.red >> s.green >> s.blue);
        }
        return s;
    }

    // The first status that passes, or the last one seen when time is up.
    Shown wait_for(const std::function<bool(const Shown&)>& wanted, double seconds = 20.0) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        Shown s = shown();
        while (!wanted(s) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            s = shown();
        }
        return s;
    }

    Shown wait_for_beat(float beat) const {
        return wait_for([beat](const Shown& s) { return s.read && std::abs(s.beat - beat) < 1e-3f; }, 5.0);
    }

    // By window class: the display is this test's own, and xdotool cannot
    // match names against a UTF-8 title.
    void keys(const std::string& action) const {
        std::string command = "DISPLAY=" + display->name() + " xdotool search --class quillbarrow windowfocus --sync " +
                              action + " >/dev/null 2>&1";
        int ignored = std::system(command.c_str());
        (void)ignored;
    }

    // Pauses once the first frame is up, so beats stay put.
    Shown pause_when_shown() {
        EXPECT_TRUE(is_red(wait_for(is_red))) << "the first frame never showed red";
        keys("key space");
        return wait_for([](const Shown& s) { return s.paused == 1; }, 5.0);
    }

    ScratchDirectory dir{"preview"};
    std::string status_path = dir.file("status.txt");
    std::unique_ptr<PrivateDisplay> display;
};

}  // namespace

TEST_F(PreviewTest, WithoutAVisibleWindowItSaysSoInsteadOfPlayingUnseen) {
    auto run = [&](std::vector<std::string> environment) {
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.environment = std::move(environment);
        options.environment.push_back("SDL_AUDIODRIVER=dummy");
        options.timeout_seconds = 60.0;
        return run_process({QB_TOOL_PATH, "preview", "project.json"}, options);
    };
    ProcessResult no_display = run({"DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(no_display.exit_code, 1);
    EXPECT_NE(no_display.err.find("no display"), std::string::npos) << no_display.err;
    ProcessResult offscreen = run({display->assignment(), "SDL_VIDEODRIVER=offscreen"});
    EXPECT_EQ(offscreen.exit_code, 1);
    EXPECT_NE(offscreen.err.find("\"offscreen\" shows none"), std::string::npos) << offscreen.err;
}

TEST_F(PreviewTest, RewrittenIncludeShowsItsNewColourAtTheSameBeat) {
    Shown before, after;
    double seconds_to_green = -1.0;
    ProcessResult run = preview([&] {
        before = pause_when_shown();
        ASSERT_EQ(before.paused, 1);
        const auto written = std::chrono::steady_clock::now();
        put_file(dir.path() / "shaders/colours.frag", kGreen);
        after = wait_for(is_green, 5.0);
        seconds_to_green = std::chrono::duration<double>(std::chrono::steady_clock::now() - written).count();
    });
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_TRUE(is_green(after)) << run.err;
    EXPECT_LT(seconds_to_green, 1.0);
    EXPECT_EQ(after.reloads, 1);
    EXPECT_FLOAT_EQ(after.beat, before.beat);
    EXPECT_EQ(after.paused, 1);
}

TEST_F(PreviewTest, BrokenVersionsKeepTheLastGoodOneAndSayWhereOnce) {
    Shown kept;
    ProcessResult run = preview([&] {
        wait_for(is_red);
        std::string broken = kRed;
        broken.replace(broken.find("return"), 6, "retrun");  // line 3
        put_file(dir.path() / "shaders/colours.frag", broken);
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        put_file(dir.path() / "project.json", "{ \"bpm\": ");
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        kept = shown();
    });
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_TRUE(is_red(kept));
    EXPECT_EQ(kept.reloads, 0);
    EXPECT_GT(kept.beat, 2.0f) << "the last good version played on";
    // The fill program's error lies in the included file, at its line 3.
    const std::size_t fill = run.err.find("(fragment shader of shaders/fill.frag)");
    ASSERT_NE(fill, std::string::npos) << run.err;
    const std::size_t line_start = run.err.rfind('\n', fill) + 1;
    const std::string fill_report = run.err.substr(line_start, fill - line_start);
    EXPECT_EQ(fill_report.find("shaders/colours.frag:3: error:"), 0u) << fill_report;
    EXPECT_EQ(fill_report.find("shaders/fill.frag:4"), std::string::npos) << fill_report;
    const std::string failed = "reload failed";
    const std::size_t first = run.err.find(failed);
    EXPECT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(failed, first + 1), std::string::npos) << "printed more than once:\n" << run.err;
}

TEST_F(PreviewTest, KeysSeekByBeatsAndBars) {
    // Home to 0, then +1, +4 (a bar), -1, -4, and never before the start.
    const std::vector<std::pair<const char*, float>> steps{
        {"Home", 0.0f}, {"Right", 1.0f}, {"shift+Right", 5.0f}, {"Left", 4.0f}, {"shift+Left", 0.0f}};
    std::vector<float> beats;
    float before_start = -1.0f;
    ProcessResult run = preview(
        [&] {
            pause_when_shown();
            for (const auto& [key, beat] : steps) {
                keys(std::string("key ") + key);
                beats.push_back(wait_for_beat(beat).beat);
            }
            keys("key Left");
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            before_start = shown().beat;
        },
        {"--beat", "10"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    ASSERT_EQ(beats.size(), steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_FLOAT_EQ(beats[i], steps[i].second) << steps[i].first;
    EXPECT_FLOAT_EQ(before_start, 0.0f);
}

TEST_F(PreviewTest, LoopStaysBetweenItsMarks) {
    Shown looping;
    float lowest = 1e9f, highest = -1e9f;
    bool wrapped = false;
    ProcessResult run = preview(
        [&] {
            const Shown start = pause_when_shown();
            keys("key bracketleft");
            keys("key Right");
            wait_for_beat(start.beat + 1.0f);
            keys("key bracketright");
            keys("key l");
            looping = wait_for([](const Shown& s) { return s.looping == 1; }, 5.0);
            keys("key space");
            // Three beats of playback: the one-beat loop goes round at least twice.
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
            float last = 0.0f;
            while (std::chrono::steady_clock::now() < until) {
                Shown s = shown();
                if (s.read && s.paused == 0) {
                    lowest = std::min(lowest, s.beat);
                    highest = std::max(highest, s.beat);
                    wrapped = wrapped || s.beat < last;
                    last = s.beat;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        },
        {"--beat", "2"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(looping.looping, 1);
    EXPECT_GE(looping.loop_start, 2.0f);
    EXPECT_NEAR(looping.loop_end - looping.loop_start, 1.0f, 1e-3f);
    EXPECT_GE(lowest, looping.loop_start - 1e-3f);
    EXPECT_LT(highest, looping.loop_end);
    EXPECT_TRUE(wrapped);
}

TEST_F(PreviewTest, ResizedWindowIsSetUpAgainAtItsNewSize) {
    Shown resized;
    ProcessResult run = preview([&] {
        wait_for(is_red);
        keys("windowsize 160 90");
        resized = wait_for([](const Shown& s) { return s.reloads == 1 && is_red(s); }, 5.0);
    });
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(resized.reloads, 1);
    EXPECT_TRUE(is_red(resized));
}

}  // namespace quillbarrow
