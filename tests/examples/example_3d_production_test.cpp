// The bundled 3D example production "ember-rig", packed, played and rendered
// by the real executables: a skinned, instanced creature casting shadows on
// a floor, a node-animated crystal and a post effect.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>

#include <SDL_image.h>
#include <glm/geometric.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include "document/resource_test_helpers.h"
#include "scene/animations.h"
#include "scene/model.h"
#include "scene/skeleton.h"
#include "serialization/json_value.h"
#include "support/gl_test_context.h"
#include "support/process.h"
#include "support/tool_process.h"

namespace quillbarrow {

namespace {

const std::string kProject = std::string(QB_EXAMPLES_DIR) + "/ember-rig/project.json";

class Example3dProduction : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    }
    ProcessResult tool(std::vector<std::string> args) { return run_tool(std::move(args), dir.path().string()); }
    // Renders the beats at 320x180; frame i is frame-i.png (frame.png alone
    // for one beat).
    void render(const std::vector<std::string>& beats) {
        std::vector<std::string> args = {"render", kProject, "-o", "frame.png", "--size", "320x180"};
        for (const auto& b : beats) args.insert(args.end(), {"--beat", b});
        ProcessResult run = tool(args);
        ASSERT_EQ(run.exit_code, 0) << run.err << run.out;
    }
    std::string frame(int i) const { return dir.file("frame-" + std::to_string(i) + ".png"); }
    ScratchDirectory dir{"example_3d"};
};

using PixelTest = std::function<bool(int, int, int)>;

// Where the pixels that pass a test lie in a PNG: how many, the highest row
// (from the top; -1 when none) and how many columns hold any.
struct Footprint {
    int count = 0;
    int top = -1;
    int columns = 0;
};

Footprint footprint(const std::string& path, const PixelTest& test, int y0 = 0) {
    Footprint result;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) {
        ADD_FAILURE() << "cannot read " << path << ": " << IMG_GetError();
        return result;
    }
    SDL_Surface* image = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    std::set<int> columns;
    for (int y = y0; y < image->h; ++y)
        for (int x = 0; x < image->w; ++x) {
            const auto* p = static_cast<const unsigned char*>(image->pixels) + y * image->pitch + x * 4;
            if (!test(p[0], p[1], p[2])) continue;
            ++result.count;
            if (result.top < 0) result.top = y;
            columns.insert(x);
        }
    result.columns = static_cast<int>(columns.size());
    SDL_FreeSurface(image);
    return result;
}

// The tentacles' glowing orange, not the crystal's gold rings.
bool ember(int r, int g, int b) { return r > 140 && g < 150 && b < 90 && r > g + 70; }
// The crystal's ice blue.
bool ice(int r, int g, int b) { return b > 170 && g > 140 && r < 140; }
// The slate floor in the light, and in shadow: still blue, but dark.
bool lit_floor(int r, int, int b) { return b > 70 && b > r + 12; }
bool shadowed_floor(int r, int g, int b) { return b > r + 4 && b >= g && b < 48; }

constexpr int kFloorTop = 90;  // the lower half of a 320x180 frame is floor at these beats

// The example's glTF assets, loaded by the real model code.
class Example3dAssets : public GlTest {
protected:
    static std::unique_ptr<Model> load(const std::string& file) {
        JsonValue value = JsonValue::object();
        value["filename"] = std::string(QB_EXAMPLES_DIR) + "/ember-rig/resources/" + file;
        auto model = std::make_unique<Model>(value);
        EXPECT_TRUE(model->parsed) << file;
        return model;
    }
};

// The tentacle's tip, weighted to the last joint alone.
constexpr int kTipJoint = 4;
const glm::vec4 kRestTip(0.0f, 3.72f, 0.0f, 1.0f);

glm::vec4 posed_tip(const Model& model) { return model.skeleton->joint_matrices[kTipJoint] * kRestTip; }

int overridden_nodes(const Model& model) {
    return static_cast<int>(std::count(model.node_override_flags.begin(), model.node_override_flags.end(), true));
}

}  // namespace

TEST_F(Example3dAssets, CreatureSkinIsAChainWhoseInverseBindsUndoTheRestPose) {
    auto creature = load("creature.glb");
    ASSERT_TRUE(creature->skeleton);
    ASSERT_EQ(creature->skeleton->joints.size(), 5u);
    ASSERT_EQ(creature->animations->ordered.size(), 2u);
    EXPECT_EQ(creature->animations->ordered[0]->name, "sway");
    EXPECT_EQ(creature->animations->ordered[1]->name, "curl");
    for (std::size_t j = 1; j < 5; ++j) EXPECT_EQ(creature->skeleton->joints[j].parent, static_cast<int>(j) - 1);

    // Loaded and not yet posed, every skinning matrix is the identity: the
    // mesh stays put.
    for (const glm::mat4& m : creature->skeleton->joint_matrices)
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) EXPECT_NEAR(m[c][r], c == r ? 1.0f : 0.0f, 1e-5f);

    // The floor and the skinned node carry the tags the vertex shader reads.
    int tagged = 0, floors = 0;
    for (const auto& node : creature->gltf.nodes) {
        if (!node.extras.IsObject() || !node.extras.Has("tag")) continue;
        const int tag = node.extras.Get("tag").Get<int>();
        ASSERT_TRUE(node.extras.Get("tag").IsInt()) << node.name;
        if (tag == 1) {
            ++tagged;
            EXPECT_GE(node.skin, 0) << node.name;
        } else if (tag == 0) {
            ++floors;
            EXPECT_TRUE(node.extras.Get("ignore_shadow").Get<bool>()) << node.name;
        }
    }
    EXPECT_EQ(tagged, 1);
    EXPECT_EQ(floors, 1);
}

TEST_F(Example3dAssets, CurlBendsTheTipDownOnTheBeatAndSwayMovesItSideways) {
    auto creature = load("creature.glb");
    ASSERT_TRUE(creature->skeleton);
    creature->animate(1, 0.0f);  // a curl cycle starts fully curled
    const glm::vec4 curled = posed_tip(*creature);
    creature->animate(1, 0.5f);  // and is straight half way through
    const glm::vec4 straight = posed_tip(*creature);
    EXPECT_LT(curled.y, 3.0f);
    EXPECT_NEAR(straight.y, kRestTip.y, 1e-3f);
    EXPECT_NEAR(straight.x, 0.0f, 1e-3f);

    creature->animate(0, 0.25f);
    const glm::vec4 swayed = posed_tip(*creature);
    EXPECT_GT(std::abs(swayed.x), 0.3f);
    EXPECT_GT(swayed.y, 2.5f);
}

TEST_F(Example3dAssets, CrystalMaskChoosesWhichNodesMoveAndTheShardsStep) {
    auto crystal = load("crystal.glb");
    EXPECT_FALSE(crystal->skeleton);
    ASSERT_EQ(crystal->animations->ordered.size(), 3u);
    ASSERT_EQ(crystal->gltf.nodes.size(), 8u);  // core, two rings, four shards, the eye holding camera 0
    ASSERT_EQ(crystal->gltf.nodes[7].camera, 0);

    // Spin moves the core and the eye, orbit the two rings, blink the shards.
    const std::pair<int, int> masks[] = {{0, 0}, {1, 2}, {3, 4}, {7, 8}, {8, 0}};
    for (const auto& [mask, moved] : masks) {
        crystal->animate(mask, 0.3f);
        EXPECT_EQ(overridden_nodes(*crystal), moved) << "mask " << mask;
    }

    // Spin (LINEAR): an eighth of the cycle is a quarter of 2 s, 45 degrees.
    crystal->animate(1, 0.125f);
    ASSERT_TRUE(crystal->node_override_flags[0]);
    EXPECT_NEAR(crystal->node_override_matrices[0][0][0], std::sqrt(0.5f), 1e-4f);
    EXPECT_NEAR(crystal->node_override_matrices[0][3][1], 4.2f, 1e-4f);
    // The eye circles the crystal: a quarter of the way round it is at +x,
    // dipped to 0.8 below its start height of 5.0, looking back at the core.
    crystal->animate(1, 0.25f);
    const glm::mat4& eye = crystal->node_override_matrices[7];
    EXPECT_NEAR(glm::length(glm::vec3(eye[3]) - glm::vec3(3.2f, 3.4f, 0.0f)), 0.0f, 1e-3f);
    EXPECT_GT(glm::dot(glm::normalize(glm::vec3(-eye[2])), glm::vec3(-1.0f, 0.0f, 0.0f)), 0.95f);

    // Blink (STEP): the first shard holds its first size until the key at
    // 0.5 s, then jumps.
    const auto shard_size = [&](float phase) {
        crystal->animate(4, phase);
        return crystal->node_override_matrices[3][0][0];
    };
    EXPECT_NEAR(shard_size(0.05f), 1.8f, 1e-5f);
    EXPECT_NEAR(shard_size(0.2f), 1.8f, 1e-5f);
    EXPECT_NEAR(shard_size(0.3f), 0.7f, 1e-5f);
}

TEST_F(Example3dProduction, PacksAndPlaysToItsEnd) {
    ProcessResult pack = tool({"pack", kProject, "-o", "ember-rig"});
    ASSERT_EQ(pack.exit_code, 0) << pack.err;
    EXPECT_EQ(pack.out.find(": error"), std::string::npos) << pack.out;  // every shader compiles cleanly
    EXPECT_EQ(pack.out.find("Failed to parse glTF"), std::string::npos) << pack.out;
    ProcessOptions options;
    options.working_directory = dir.path().string();
    options.environment.push_back("SDL_AUDIODRIVER=dummy");
    options.timeout_seconds = 180;
    ProcessResult run = run_process({(dir.path() / "ember-rig").string()}, options);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_GT(run.seconds, 32.0);  // 64 beats at 120 BPM, after loading
    EXPECT_EQ(run.out.find("FB Error"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "error.log"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "crash.txt"));
}

// A single rendered frame must show what the player shows at that beat,
// the skinned creatures' shadows included: the shadow pass uploads the
// joint matrices before the frame's hook poses the skeleton, so a lone
// frame needs its scenes posed for the beat before it is drawn.
TEST_F(Example3dProduction, TheFloorIsLitAndShadowedUnderTheCreatures) {
    render({"20"});
    const std::string frame_path = dir.file("frame.png");
    EXPECT_GT(footprint(frame_path, lit_floor, kFloorTop).count, 10000);
    EXPECT_GT(footprint(frame_path, shadowed_floor, kFloorTop).count, 100)
        << "no shadow: the shadow pass drew the skinned creatures with joint matrices not posed for this beat";
    EXPECT_GT(footprint(frame_path, ember, 0).count, 500);
}

TEST_F(Example3dProduction, InstancesAnimationsAndTheCrystalFollowTheTracks) {
    render({"12", "20", "44", "45"});
    // One creature before beat 16, three after: "render_instances".
    const Footprint one = footprint(frame(0), ember), three = footprint(frame(1), ember);
    EXPECT_GT(one.count, 200);
    EXPECT_GT(three.count, one.count * 18 / 10);
    EXPECT_GT(three.columns, one.columns + 10);

    // Beat 44 is the top of a curl (animation 1), beat 45 half way through
    // it, where the arms stand up: taller and narrower on screen.
    const Footprint curled = footprint(frame(2), ember), standing = footprint(frame(3), ember);
    ASSERT_GT(curled.count, 200);
    ASSERT_GT(standing.count, 200);
    EXPECT_LT(standing.top, curled.top - 10);
    EXPECT_GT(curled.columns, standing.columns * 2);

    // The crystal's scene is drawn from beat 8, through the rig's camera.
    EXPECT_GT(footprint(frame(1), ice).count, 50);
}

TEST_F(Example3dProduction, TheCrystalWaitsAndThePostEffectFadesIn) {
    render({"0.5", "4"});
    const Footprint dawn = footprint(frame(0), lit_floor, kFloorTop), day = footprint(frame(1), lit_floor, kFloorTop);
    EXPECT_EQ(dawn.count, 0);  // the grade's fade still holds the picture near black
    EXPECT_GT(day.count, 10000);
    EXPECT_EQ(footprint(frame(1), ice).count, 0);  // no crystal before beat 8
}

}  // namespace quillbarrow
