// The cross-built Windows player and tool, run under Wine on Xvfb: the same
// start-up, statuses, messages and pixels as the Linux executables.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include <SDL_image.h>

#include "document/resource_test_helpers.h"
#include "serialization/byte_buffer.h"
#include "support/private_display.h"
#include "support/production_files.h"
#include "support/tool_process.h"
#include "windows/wine_session.h"

namespace quillbarrow {

namespace {

const std::string kExample = std::string(QB_EXAMPLES_DIR) + "/neon-drift/project.json";
const char kWindowTitle[] = "Quillbarrow :: 0.11";

class WindowsSmoke : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string why = windows_build::missing();
        // CI builds the Windows side first: there, a missing build is a failure.
        if (!why.empty() && std::getenv("QB_REQUIRE_WINDOWS_BUILD")) FAIL() << why;
        if (!why.empty()) GTEST_SKIP() << why;
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    }

    ProcessResult tool(std::vector<std::string> args) { return run_tool(std::move(args), dir.path().string()); }

    ProcessResult play(const std::string& name, ProcessOptions options = {}) {
        options.working_directory = dir.path().string();
        if (display) options.environment.push_back(display->assignment());
        if (prefix) options.environment.push_back(prefix->assignment());
        if (options.timeout_seconds == 60.0) options.timeout_seconds = 120.0;
        return windows_build::run({name}, options);
    }

    // A packed production that never ends by itself, on a display of this
    // test's own so that keys and screenshots meet only its player.
    void pack_endless(const JsonValue& project) {
        ASSERT_EQ(std::system("command -v xdotool >/dev/null"), 0) << "xdotool is needed (scripts/install-deps.sh)";
        display = std::make_unique<PrivateDisplay>();
        ASSERT_TRUE(display->ok()) << "cannot start a private Xvfb";
        prefix = std::make_unique<windows_build::PrivatePrefix>();
        ASSERT_TRUE(prefix->ok()) << "cannot clone the Wine prefix";
        write_project(project);
        ProcessResult pack = tool({"pack", "project.json", "-o", "endless.exe", "--target", "windows"});
        ASSERT_EQ(pack.exit_code, 0) << pack.err;
    }

    void write_project(const JsonValue& project) { put_file(dir.path() / "project.json", project.dump(2)); }

    void press_escape() const {
        const std::string command = "DISPLAY=" + display->name() + " xdotool search --name '" + kWindowTitle +
                                    "' windowfocus --sync key Escape >/dev/null 2>&1";
        int ignored = std::system(command.c_str());
        (void)ignored;
    }

    ScratchDirectory dir{"windows_smoke"};
    std::unique_ptr<PrivateDisplay> display;
    std::unique_ptr<windows_build::PrivatePrefix> prefix;
};

// One full-screen effect whose shader (write_solid_shaders) draws a single
// colour, for ever.
JsonValue solid_colour_project() {
    JsonValue project = tempo_only_project(10000.0, 120.0);
    project["shaders"][0]["vertex_shader_filename"] = "fullscreen.vert";
    project["shaders"][0]["fragment_shader_filename"] = "solid.frag";
    project["shaders"][0]["uniform_defs"] = JsonValue::array();
    project["effects"][0]["name"] = "solid";
    project["effects"][0]["program"] = "solid.frag";
    project["events"][0]["type"] = 1;
    project["events"][0]["name"] = "fill";
    project["events"][0]["effect"] = "solid";
    project["events"][0]["start_beat"] = -1.0;
    project["events"][0]["end_beat"] = 10000.0;
    project["events"][0]["visible"] = "true";
    return project;
}

void write_solid_shaders(const std::filesystem::path& folder, const std::string& colour) {
    put_file(folder / "fullscreen.vert", "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n");
    put_file(folder / "solid.frag",
             "#version 150\nout vec4 fragColor;\nvoid main() { fragColor = vec4(" + colour + ", 1.0); }\n");
}

// Largest difference of any channel between two PNGs of the same size, or
// -1 when they cannot be compared.
int largest_difference(const std::string& a_path, const std::string& b_path) {
    SDL_Surface* a = IMG_Load(a_path.c_str());
    SDL_Surface* b = IMG_Load(b_path.c_str());
    int largest = -1;
    if (a && b && a->w == b->w && a->h == b->h) {
        SDL_Surface* ca = SDL_ConvertSurfaceFormat(a, SDL_PIXELFORMAT_ABGR8888, 0);
        SDL_Surface* cb = SDL_ConvertSurfaceFormat(b, SDL_PIXELFORMAT_ABGR8888, 0);
        largest = 0;
        for (int y = 0; y < ca->h; ++y)
            for (int x = 0; x < ca->w * 4; ++x) {
                const int pa = static_cast<const unsigned char*>(ca->pixels)[y * ca->pitch + x];
                const int pb = static_cast<const unsigned char*>(cb->pixels)[y * cb->pitch + x];
                largest = std::max(largest, std::abs(pa - pb));
            }
        SDL_FreeSurface(ca);
        SDL_FreeSurface(cb);
    }
    if (a) SDL_FreeSurface(a);
    if (b) SDL_FreeSurface(b);
    return largest;
}

}  // namespace

TEST_F(WindowsSmoke, ExecutablesAreStaticAndThePlayerHasNoConsole) {
    auto headers = [](const std::filesystem::path& exe) {
        return run_process({"/usr/bin/x86_64-w64-mingw32-objdump", "-p", exe.string()}).out;
    };
    const std::string player = headers(windows_build::player()), tool = headers(windows_build::tool());
    EXPECT_NE(player.find("(Windows GUI)"), std::string::npos);
    EXPECT_NE(tool.find("(Windows CUI)"), std::string::npos);
    for (const std::string* exe : {&player, &tool}) {
        for (const char* dll : {"SDL2", "libstdc++", "libgcc", "libwinpthread", "glew32", "freetype", "msvcp"})
            EXPECT_EQ(exe->find(std::string("DLL Name: ") + dll), std::string::npos) << dll;
        EXPECT_NE(exe->find("DLL Name: OPENGL32.dll"), std::string::npos);
    }
    // Stripped: no symbol table left to ship in every production.
    EXPECT_EQ(run_process({"/usr/bin/x86_64-w64-mingw32-nm", windows_build::player().string()}).out, "");
}

TEST_F(WindowsSmoke, PackedExampleProductionPlaysToItsEnd) {
    ProcessResult pack = tool({"pack", kExample, "-o", "neon-drift.exe", "--target", "windows"});
    ASSERT_EQ(pack.exit_code, 0) << pack.err;
    ProcessOptions options;
    options.timeout_seconds = 240;
    ProcessResult run = play("neon-drift.exe", options);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_GT(run.seconds, 30.0);  // 60 beats at 120 BPM, after loading
    // Standard output redirected to a file still arrives, and says no error.
    EXPECT_NE(run.out.find("OpenGL version: "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("rror"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
}

TEST_F(WindowsSmoke, EndlessProductionRunsUntilEscape) {
    ASSERT_NO_FATAL_FAILURE(pack_endless(tempo_only_project(10000.0, 130.0)));
    ProcessOptions options;
    options.poke_after_seconds = 10.0;
    options.poke_interval_seconds = 3.0;
    options.poke = [this](int) { press_escape(); };
    options.timeout_seconds = 90.0;
    ProcessResult run = play("endless.exe", options);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_GT(run.seconds, 10.0);  // it was still running when Escape came
}

TEST_F(WindowsSmoke, RunningWindowShowsTheShadersColour) {
    write_solid_shaders(dir.path(), "0.2, 0.6, 0.9");
    ASSERT_NO_FATAL_FAILURE(pack_endless(solid_colour_project()));
    int seen[3] = {-1, -1, -1};
    bool matched = false;
    ProcessOptions options;
    options.poke_after_seconds = 8.0;
    options.poke_interval_seconds = 2.0;
    // Screenshots until the production's colour shows (the loading screen
    // comes first), then Escape.
    options.poke = [&](int) {
        if (!matched && windows_build::screen_pixel(display->name(), 640, 360, seen))
            matched = std::abs(seen[0] - 51) <= 1 && std::abs(seen[1] - 153) <= 1 && std::abs(seen[2] - 230) <= 1;
        if (matched) press_escape();
    };
    options.timeout_seconds = 90.0;
    ProcessResult run = play("endless.exe", options);
    EXPECT_TRUE(matched) << "last centre pixel " << seen[0] << "," << seen[1] << "," << seen[2];
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
}

TEST_F(WindowsSmoke, BarePlayerWritesErrorLogAndOutputReachesAPipe) {
    std::filesystem::copy_file(windows_build::player(), dir.path() / "bare.exe");
    ProcessResult run = play("bare.exe");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(file_bytes(dir.path() / "error.log"),
              "Cannot find DEMO in executable. Please follow the instructions in Quillbarrow.\n");

    // Standard output given as a pipe keeps its destination too.
    std::filesystem::remove(dir.path() / "error.log");
    ProcessOptions options;
    options.working_directory = dir.path().string();
    options.environment = {"WINEPREFIX=" QB_WINE_PREFIX, "WINEDEBUG=-all",
                           "WINEDLLOVERRIDES=mscoree,mshtml=", "SDL_AUDIODRIVER=dummy"};
    ProcessResult piped = run_process({"/bin/sh", "-c", "/usr/bin/wine bare.exe | cat; exit $?"}, options);
    EXPECT_NE(piped.out.find("OpenGL version: "), std::string::npos) << piped.out << piped.err;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "error.log"));
}

TEST_F(WindowsSmoke, DamagedPayloadEndsWithItsMessage) {
    write_project(tempo_only_project(2.0, 130.0, base64_encode("some music bytes")));
    ProcessResult pack = tool({"pack", "project.json", "-o", "good.exe", "--player", windows_build::player().string()});
    ASSERT_EQ(pack.exit_code, 0) << pack.err;
    const std::string good = file_bytes(dir.path() / "good.exe"), player = file_bytes(windows_build::player());
    ASSERT_GT(good.size(), player.size() + 8);

    // The length field claims more than the file holds.
    std::string long_length = good;
    long_length[long_length.size() - 8] = static_cast<char>(0xFF);
    long_length[long_length.size() - 5] = 0x7F;
    put_file(dir.path() / "long.exe", long_length);
    ProcessResult run = play("long.exe");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("Cannot play this production: the content trailer's length runs past the file"),
              std::string::npos)
        << run.err;

    // A payload cut in half.
    const std::size_t keep = (good.size() - player.size() - 8) / 2;
    std::string cut = player + good.substr(player.size(), keep);
    const std::uint32_t length = static_cast<std::uint32_t>(keep);
    cut += std::string(reinterpret_cast<const char*>(&length), 4) + "DEMO";
    put_file(dir.path() / "cut.exe", cut);
    run = play("cut.exe");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("Cannot play this production: Corrupt content"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
}

// The same frame from the Linux and the Windows tool. The spectrum and the
// waveform come from the decoded music, and the MP3 decoders' samples differ
// (Debian's mixer uses mpg123, ours dr_mp3): beat 12 of the example draws no
// analysis, beat 30 does, from the music as WAV.
TEST_F(WindowsSmoke, ToolRendersTheLinuxToolsPixels) {
    std::filesystem::copy(std::filesystem::path(kExample).parent_path(), dir.path() / "wav",
                          std::filesystem::copy_options::recursive);
    ASSERT_EQ(std::system(("lame --quiet --decode " + dir.file("wav/resources/music.mp3") + " " +
                           dir.file("wav/resources/music.wav") + " && mv " + dir.file("wav/resources/music.wav") + " " +
                           dir.file("wav/resources/music.mp3"))
                              .c_str()),
              0)
        << "lame is needed (scripts/install-deps.sh)";
    for (const auto& [project, beat] : {std::pair{kExample, "12"}, std::pair{dir.file("wav/project.json"), "30"}}) {
        const std::string linux_png = std::string("linux-") + beat + ".png",
                          windows_png = std::string("windows-") + beat + ".png";
        ProcessResult linux_render = tool({"render", project, "-o", linux_png, "--beat", beat, "--size", "320x180"});
        ASSERT_EQ(linux_render.exit_code, 0) << linux_render.err;
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.timeout_seconds = 180;
        ProcessResult windows_render = windows_build::run(
            {windows_build::tool().string(), "render", project, "-o", windows_png, "--beat", beat, "--size", "320x180"},
            options);
        ASSERT_EQ(windows_render.exit_code, 0) << windows_render.err << windows_render.out;
        EXPECT_EQ(largest_difference(dir.file(linux_png), dir.file(windows_png)), 0) << "beat " << beat;
    }
}

TEST_F(WindowsSmoke, LinuxAndWindowsToolsReadAWindowsExecutable) {
    JsonValue project = tempo_only_project(8.0, 100.0, base64_encode("music bytes"));
    project["datas"][0]["name"] = "data/blob.bin";
    project["datas"][0]["data_buffer"] = base64_encode(std::string("\0\1\2", 3));
    write_project(project);
    ASSERT_EQ(tool({"pack", "project.json", "-o", "first.exe", "--target", "windows"}).exit_code, 0);
    const std::string packed = file_bytes(dir.path() / "first.exe");
    EXPECT_EQ(packed.compare(0, 2, "MZ"), 0);

    ProcessResult info = tool({"info", "first.exe"});
    ASSERT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find("datas          1: \"data/blob.bin\""), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("bpm            100"), std::string::npos) << info.out;
    ProcessOptions options;
    options.working_directory = dir.path().string();
    ProcessResult windows_info = windows_build::run({windows_build::tool().string(), "info", "first.exe"}, options);
    EXPECT_EQ(windows_info.exit_code, 0) << windows_info.err;
    // The same lines, ended the Windows way.
    std::string lines = windows_info.out;
    std::erase(lines, '\r');
    EXPECT_EQ(lines, info.out);

    ASSERT_EQ(tool({"unpack", "first.exe", "-o", "unpacked"}).exit_code, 0);
    EXPECT_EQ(file_bytes(dir.path() / "unpacked/data/blob.bin"), std::string("\0\1\2", 3));
    ASSERT_EQ(tool({"pack", "unpacked/project.json", "-o", "second.exe", "--target", "windows"}).exit_code, 0);
    EXPECT_EQ(file_bytes(dir.path() / "second.exe"), packed);
}

}  // namespace quillbarrow
