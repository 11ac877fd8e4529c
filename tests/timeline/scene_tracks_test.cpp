#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/resource_test_helpers.h"
#include "player/player_state.h"
#include "render/effect.h"
#include "render/render_test_support.h"
#include "scene/draw_limits.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "support/test_environment.h"
#include "timeline/event.h"
#include "timeline/frame_evaluation.h"
#include "timeline/scene_tracks.h"

namespace quillbarrow {

namespace {

class SceneTracksTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        instance_count = 1;
        event.type = EventType::Effect;
        event.name = "shot";
        event.start = 10.0f;
        event.end = 20.0f;
    }

    static JsonValue scene_json(const std::string& name, bool with_camera) {
        JsonValue v = JsonValue::object();
        v["name"] = name;
        if (with_camera) {
            v["camera"]["position"][0] = 1.0;
            v["camera"]["position"][1] = 2.0;
            v["camera"]["position"][2] = 3.0;
            v["camera"]["up"][1] = 1.0;
        }
        return v;
    }

    // A track holding one value from the event's start on.
    void constant(const std::string& name, float value) {
        event.tracks[name] = ControlTrack({{0.0f, value, ""}}, InterpolationMode::Linear, false);
    }

    Event event;
};

}  // namespace

TEST(AnimationPhase, FractionOfThePositionInsideTheWindow) {
    EXPECT_FLOAT_EQ(animation_phase(2.25f, 1.0f, 0.0f, 1.0f), 0.25f);
    EXPECT_FLOAT_EQ(animation_phase(2.25f, 4.0f, 1.0f, 3.0f), 0.375f);
    EXPECT_FLOAT_EQ(animation_phase(-0.25f, 1.0f, 0.0f, 1.0f), -0.25f);  // fmod keeps the sign
}

TEST(TrackTruncation, TowardsZeroAndSaturating) {
    EXPECT_EQ(truncate_to_int32(3.9f), 3);
    EXPECT_EQ(truncate_to_int32(-3.9f), -3);
    EXPECT_EQ(truncate_to_int32(std::nanf("")), 0);
    EXPECT_EQ(truncate_to_int32(1e20f), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(truncate_to_int32(-std::numeric_limits<float>::infinity()), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(truncate_to_int64(1e30f), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(truncate_to_int64(-5.5f), -5);
}

TEST_F(SceneTracksTest, CameraLightAndInstancesFollowTheTracks) {
    Scene scene(scene_json("stage", true));
    constant("camera_position_x", 7.0f);
    constant("camera_up_z", 0.5f);
    event.tracks["camera_direction_y"] = ControlTrack();  // present, no points: 0
    scene.camera->direction.y = 4.0f;
    constant("ldD", 10.0f);
    constant("ldY", 1.0f);
    constant("render_instances", 3.9f);

    apply_scene_tracks(event, scene, 12.0f);
    EXPECT_EQ(scene.camera->position, glm::vec3(7.0f, 2.0f, 3.0f));
    EXPECT_EQ(scene.camera->direction.y, 0.0f);
    EXPECT_EQ(scene.camera->up, glm::vec3(0.0f, 1.0f, 0.5f));
    // The light sits ldD along its direction from the camera, looking at it;
    // axes without a track keep the light's own values.
    const Camera& light = *scene.light_camera;
    EXPECT_FLOAT_EQ(light.ortho_half_size, 10.0f);
    EXPECT_FLOAT_EQ(light.znear, 0.01f);
    EXPECT_EQ(light.position, glm::vec3(300.0f, 1.0f * 10.0f + 2.0f, 0.0f));
    EXPECT_EQ(light.direction, glm::vec3(0.0f, 2.0f, 0.0f));
    EXPECT_EQ(instance_count, 3);

    // An event without the tracks: defaults, and the count back to 1.
    Event plain;
    plain.start = 10.0f;
    plain.end = 20.0f;
    apply_scene_tracks(plain, scene, 12.0f);
    EXPECT_EQ(instance_count, 1);
    EXPECT_FLOAT_EQ(light.ortho_half_size, 50.0f);
    EXPECT_FLOAT_EQ(light.znear, 0.01f);
    EXPECT_EQ(scene.camera->position.x, 7.0f);  // unchanged without a track
}

TEST_F(SceneTracksTest, RenderInstancesAreCappedWithOneMessage) {
    Scene scene(scene_json("crowd", true));
    // The cap itself passes; the largest count a track can give, or any
    // count past the cap, draws the cap, and says so once for the process.
    constant("render_instances", static_cast<float>(kMaxRenderInstances));
    apply_scene_tracks(event, scene, 12.0f);
    EXPECT_EQ(instance_count, kMaxRenderInstances);
    testing::internal::CaptureStdout();
    for (float value : {2147483647.0f, 1e30f, static_cast<float>(kMaxRenderInstances + 1)}) {
        constant("render_instances", value);
        apply_scene_tracks(event, scene, 12.0f);
        apply_scene_tracks(event, scene, 12.0f);
        EXPECT_EQ(instance_count, kMaxRenderInstances) << value;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Event \"shot\": render_instances 2147483647 is more than 4096; 4096 instances are drawn\n");
}

TEST_F(SceneTracksTest, ASceneWithoutItsOwnCameraIsSteeredThroughTheBorrowedOne) {
    Scene owner(scene_json("owner", true));
    Scene borrower(scene_json("borrower", false));
    borrower.camera_scene = &owner;
    constant("camera_position_z", -4.0f);
    constant("ldX", 1.0f);
    apply_scene_tracks(event, borrower, 11.0f);
    EXPECT_EQ(owner.camera->position, glm::vec3(1.0f, 2.0f, -4.0f));
    EXPECT_EQ(borrower.light_camera->position.x, 50.0f + 1.0f);
    EXPECT_EQ(borrower.light_camera->direction.x, 1.0f);

    // With no camera anywhere nothing is steered, and nothing breaks.
    Scene alone(scene_json("alone", false));
    apply_scene_tracks(event, alone, 11.0f);
    EXPECT_EQ(alone.light_camera->position.x, 50.0f);
}

TEST_F(SceneTracksTest, AnimationTracksPoseTheModel) {
    JsonValue model_json = JsonValue::object();
    model_json["filename"] = "BoxAnimated.glb";
    model_json["buffer"] = base64_encode(file_bytes(test_data_path("gltf/BoxAnimated.glb")));
    Model model(model_json);
    ASSERT_TRUE(model.has_animations);
    ASSERT_FALSE(model.skeleton);
    Scene scene(scene_json("stage", true));
    scene.root_node = std::make_unique<Node>();
    scene.root_node->model = &model;

    constant("animation_index", 1.0f);  // mask 1: the first animation
    constant("animation_position", 0.5f);
    apply_scene_tracks(event, scene, 12.0f);
    std::size_t overridden = 0;
    for (bool flag : model.node_override_flags) overridden += flag;
    EXPECT_GT(overridden, 0u);

    constant("animation_index", 0.0f);  // mask 0: every node at rest
    apply_scene_tracks(event, scene, 12.0f);
    for (bool flag : model.node_override_flags) EXPECT_FALSE(flag);
}

TEST_F(SceneTracksTest, AnEffectWithoutASceneLeavesTheNamesOrdinaryTracks) {
    auto program =
        dialect_program("uniform float render_instances;\n", "void mainImage(out vec4 fragColor, in vec2 fragCoord) {"
                                                             " fragColor = vec4(render_instances / 8.0); }\n");
    JsonValue def = JsonValue::object();
    def["name"] = "render_instances";
    program->uniform_defs.push_back(std::make_unique<UniformDef>(def));
    program->lookup_locations();
    ASSERT_NE(program->uniform_defs[0]->location, -1);
    Effect effect("flat", program.get(), nullptr, nullptr, false, false, nullptr);
    event.effect = &effect;
    constant("render_instances", 4.0f);
    instance_count = 7;
    glUseProgram(program->program_id);
    apply_to_program(event, 12.0f, nullptr);
    GLfloat sent = 0.0f;
    glGetUniformfv(program->program_id, program->uniform_defs[0]->location, &sent);
    EXPECT_FLOAT_EQ(sent, 4.0f);
    EXPECT_EQ(instance_count, 7);
}

}  // namespace quillbarrow
