// quillbarrow new: the project it writes is clean, packs, plays to its end
// and draws what it promises; an existing folder is never touched.

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "document/resource_test_helpers.h"
#include "serialization/json_value.h"
#include "support/tool_process.h"

namespace quillbarrow {

namespace {

std::string read_all(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// How many pixels of a PNG, within the rectangle (fractions of its sides),
// pass a test.
int count_pixels(const std::string& path, const std::function<bool(int, int, int)>& test, double x0 = 0.0,
                 double y0 = 0.0, double x1 = 1.0, double y1 = 1.0) {
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) {
        ADD_FAILURE() << "cannot read " << path << ": " << IMG_GetError();
        return 0;
    }
    SDL_Surface* image = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    int count = 0;
    for (int y = static_cast<int>(y0 * image->h); y < static_cast<int>(y1 * image->h); ++y)
        for (int x = static_cast<int>(x0 * image->w); x < static_cast<int>(x1 * image->w); ++x) {
            const auto* p = static_cast<const unsigned char*>(image->pixels) + y * image->pitch + x * 4;
            count += test(p[0], p[1], p[2]) ? 1 : 0;
        }
    SDL_FreeSurface(image);
    return count;
}

// The title's near-white ink, and the cube's lit orange.
bool title_ink(int r, int g, int b) { return r > 150 && g > 150 && b > 150; }
bool cube_orange(int r, int g, int b) { return r > 150 && g > 50 && g < r - 60 && b < 80; }

class NewCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    }
    ProcessResult tool(std::vector<std::string> args) { return run_tool(std::move(args), dir.path().string()); }

    // Writes, checks, packs and plays one new project.
    void make_check_pack_play(const std::string& name, bool with_scene) {
        std::vector<std::string> args = {"new", name};
        if (with_scene) args.push_back("--3d");
        ProcessResult made = tool(args);
        ASSERT_EQ(made.exit_code, 0) << made.err;
        EXPECT_NE(made.out.find("Wrote " + name + "/project.json"), std::string::npos) << made.out;
        EXPECT_NE(made.out.find("quillbarrow pack " + name + "/project.json"), std::string::npos) << made.out;
        EXPECT_EQ(std::count(made.out.begin(), made.out.end(), '\n'), 1) << made.out;
        EXPECT_EQ(read_all(dir.path() / name / "resources/music.mp3").substr(0, 4), "RIFF");
        EXPECT_EQ(std::filesystem::exists(dir.path() / name / "resources/stage.gltf"), with_scene);

        ProcessResult checked = tool({"check", "--strict", name + "/project.json"});
        EXPECT_EQ(checked.exit_code, 0) << checked.out << checked.err;
        EXPECT_EQ(checked.out, "") << "findings of a new project";

        ProcessResult packed = tool({"pack", name + "/project.json", "-o", name + ".run", "--player", QB_PLAYER_PATH});
        ASSERT_EQ(packed.exit_code, 0) << packed.err;
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.environment.push_back("SDL_AUDIODRIVER=dummy");
        options.timeout_seconds = 200.0;
        ProcessResult played = run_process({(dir.path() / (name + ".run")).string()}, options);
        EXPECT_FALSE(played.timed_out);
        EXPECT_EQ(played.exit_code, 0) << played.err;
        // 32 beats at 120 BPM after the loading screen's four-second hold.
        EXPECT_GT(played.seconds, 16.0 + 4.0);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
    }

    std::string render(const std::string& project, const std::string& png, const std::string& beat) {
        ProcessResult run = tool({"render", project, "-o", png, "--beat", beat, "--size", "320x180"});
        EXPECT_EQ(run.exit_code, 0) << run.err;
        return dir.file(png);
    }

    ScratchDirectory dir{"new_command"};
};

}  // namespace

TEST_F(NewCommand, TwoDProjectChecksCleanPacksAndPlaysToItsEnd) { make_check_pack_play("flat-demo", false); }

TEST_F(NewCommand, ThreeDProjectChecksCleanPacksAndPlaysToItsEnd) { make_check_pack_play("cube-demo", true); }

TEST_F(NewCommand, NeverTouchesAFolderThatHoldsAnything) {
    std::filesystem::create_directories(dir.path() / "taken/shaders");
    put_file(dir.path() / "taken/project.json", "mine");
    put_file(dir.path() / "plain-file", "mine too");
    for (const char* name : {"taken", "plain-file"}) {
        ProcessResult refused = tool({"new", name, "--3d"});
        EXPECT_EQ(refused.exit_code, 1) << name;
        EXPECT_NE(refused.err.find(std::string("quillbarrow new: ") + name + " already exists"), std::string::npos)
            << refused.err;
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_EQ(read_all(dir.path() / "taken/project.json"), "mine");
    EXPECT_EQ(read_all(dir.path() / "plain-file"), "mine too");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "taken/shaders"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "taken"), {}), 2);

    EXPECT_EQ(tool({"new"}).exit_code, 2);
    EXPECT_EQ(tool({"new", ""}).exit_code, 2);
    // An empty folder is as good as a new one; the title is the folder's name.
    std::filesystem::create_directories(dir.path() / "empty");
    ASSERT_EQ(tool({"new", "empty/"}).exit_code, 0);
    JsonValue project = JsonValue::parse_file(dir.file("empty/project.json"));
    EXPECT_EQ(project["events"][1]["control_points"]["title"]["control_points"][0]["text"].as_string(), "empty");
}

TEST_F(NewCommand, FramesShowTheTitleAndTheCubeWithItsShadow) {
    ASSERT_EQ(tool({"new", "flat"}).exit_code, 0);
    const std::string flat = render("flat/project.json", "flat.png", "8");
    // The title's letters in the middle band, and nothing that white elsewhere.
    EXPECT_GT(count_pixels(flat, title_ink, 0.2, 0.4, 0.8, 0.6), 80);
    EXPECT_EQ(count_pixels(flat, title_ink, 0.0, 0.0, 1.0, 0.35), 0);

    ASSERT_EQ(tool({"new", "cube", "--3d"}).exit_code, 0);
    const std::string lit = render("cube/project.json", "cube.png", "20");
    // The cube stands in the middle of the frame, on the floor, under the sky.
    EXPECT_GT(count_pixels(lit, cube_orange, 0.35, 0.3, 0.65, 0.7), 1500);
    EXPECT_EQ(count_pixels(lit, cube_orange, 0.0, 0.0, 1.0, 0.25), 0);
    EXPECT_GT(count_pixels(lit, title_ink, 0.3, 0.8, 0.7, 0.95), 100);

    // The same frame with the cube left out of the shadow pass: the floor
    // beside it, where its shadow fell, is brighter.
    JsonValue model = JsonValue::parse_file(dir.file("cube/resources/stage.gltf"));
    ASSERT_EQ(model["nodes"][0]["name"].as_string(), "cube");
    model["nodes"][0]["extras"]["ignore_shadow"] = true;
    std::filesystem::remove(dir.path() / "cube/resources/stage.gltf");
    put_file(dir.path() / "cube/resources/stage.gltf", model.dump(1));
    const std::string unshadowed = render("cube/project.json", "unshadowed.png", "20");
    auto dark_floor = [](int r, int g, int b) { return r + g + b < 60; };
    const int shadowed = count_pixels(lit, dark_floor, 0.5, 0.5, 0.8, 0.75);
    EXPECT_GT(shadowed, 300);
    EXPECT_LT(count_pixels(unshadowed, dark_floor, 0.5, 0.5, 0.8, 0.75), shadowed / 4);
}

}  // namespace quillbarrow
