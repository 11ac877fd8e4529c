// The bundled example production, packed, played and rendered by the real
// executables.

#include <gtest/gtest.h>

#include <functional>

#include <SDL_image.h>

#include "document/resource_test_helpers.h"
#include "support/tool_process.h"
#include "support/process.h"

namespace quillbarrow {

namespace {

const std::string kProject = std::string(QB_EXAMPLES_DIR) + "/neon-drift/project.json";

class ExampleProduction : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    }
    ProcessResult tool(std::vector<std::string> args) { return run_tool(std::move(args), dir.path().string()); }
    ScratchDirectory dir{"example"};
};

// Pixels of a PNG that satisfy a test, within a rectangle (rows from the top).
int count_pixels(const std::string& path, int x0, int y0, int x1, int y1,
                 const std::function<bool(int, int, int)>& test) {
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) return -1;
    SDL_Surface* image = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    int count = 0;
    for (int y = y0; y < y1 && y < image->h; ++y)
        for (int x = x0; x < x1 && x < image->w; ++x) {
            const auto* p = static_cast<const unsigned char*>(image->pixels) + y * image->pitch + x * 4;
            if (test(p[0], p[1], p[2])) ++count;
        }
    SDL_FreeSurface(image);
    return count;
}

bool cream(int r, int g, int b) { return r > 230 && g > 215 && b > 170; }
bool cyan(int r, int g, int b) { return r < 140 && g > 170 && b > 170; }

}  // namespace

TEST_F(ExampleProduction, RendersItsTitleAndItsSpectrum) {
    ProcessResult render =
        tool({"render", kProject, "-o", "frame.png", "--beat", "12", "--beat", "30", "--size", "320x180"});
    ASSERT_EQ(render.exit_code, 0) << render.err << render.out;
    const std::string titled = (dir.path() / "frame-0.png").string(), bars = (dir.path() / "frame-1.png").string();
    ASSERT_TRUE(std::filesystem::exists(titled));
    ASSERT_TRUE(std::filesystem::exists(bars));

    // Beat 12: "NEON DRIFT" in the lower third, no spectrum yet (it starts at 16).
    EXPECT_GT(count_pixels(titled, 60, 120, 260, 155, cream), 300);
    EXPECT_LT(count_pixels(titled, 0, 160, 320, 180, cyan), 20);
    // Beat 30: no title, the spectrum's bars along the bottom, read from the
    // music's analysis at that beat.
    EXPECT_LT(count_pixels(bars, 60, 120, 260, 155, cream), 60);
    EXPECT_GT(count_pixels(bars, 0, 165, 320, 180, cyan), 1000);
}

TEST_F(ExampleProduction, PacksAndPlaysToItsEnd) {
    ProcessResult pack = tool({"pack", kProject, "-o", "neon-drift"});
    ASSERT_EQ(pack.exit_code, 0) << pack.err;
    EXPECT_EQ(pack.out.find(": error"), std::string::npos) << pack.out;  // every shader compiles cleanly
    ProcessOptions options;
    options.working_directory = dir.path().string();
    options.environment.push_back("SDL_AUDIODRIVER=dummy");
    options.timeout_seconds = 120;
    ProcessResult run = run_process({(dir.path() / "neon-drift").string()}, options);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    // A clean start says nothing of errors: every program builds.
    EXPECT_EQ(run.out.find("rror"), std::string::npos) << run.out;
    EXPECT_GT(run.seconds, 30.0);  // 60 beats at 120 BPM, after loading
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
}

}  // namespace quillbarrow
