#include <gtest/gtest.h>

#include <GL/glew.h>

#include "render/shader_program.h"
#include "scene/scene.h"
#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"
#include "support/gl_test_context.h"

namespace quillbarrow {

namespace {

class SceneTest : public GlTest {};

std::unique_ptr<Scene> scene_from(const std::string& text) { return std::make_unique<Scene>(JsonValue::parse(text)); }

std::unique_ptr<Scene> scene_from_bytes(const std::vector<std::uint8_t>& bytes, std::size_t* left = nullptr) {
    BinaryReader in(bytes.data(), bytes.size());
    auto scene = std::make_unique<Scene>(in);
    if (left) *left = in.remaining();
    return scene;
}

std::size_t encoded_length(const std::string& text) {
    BinaryWriter out;
    out.write_string(text);
    return out.size();
}

std::uint64_t u64_at(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

}  // namespace

TEST_F(SceneTest, OnlyTheBooleanTrueBorrowsOnlyTheDirection) {
    auto scene = scene_from(R"({"name": "s", "camera_scene_only_direction": "true"})");
    EXPECT_FALSE(scene->camera_scene_only_direction);
    scene->from_json(JsonValue::parse(R"({"name": "s", "camera_scene_only_direction": 1})"));
    EXPECT_FALSE(scene->camera_scene_only_direction);
    scene->from_json(JsonValue::parse(R"({"name": "s", "camera_scene_only_direction": true})"));
    EXPECT_TRUE(scene->camera_scene_only_direction);
    scene->from_json(JsonValue::parse(R"({"name": "s"})"));
    EXPECT_FALSE(scene->camera_scene_only_direction);
    EXPECT_EQ(scene->camera, nullptr);
    EXPECT_EQ(scene->root_node, nullptr);
}

TEST_F(SceneTest, JsonRoundTripKeepsCameraNodeAndUnmatchedNames) {
    auto scene = scene_from(R"({"name": "hall", "camera": {"fov": 45.0, "zfar": 10.0, "direction_mode": true},
        "root_node": {"name": "root", "model": "ship.glb"}, "camera_scene": "elsewhere",
        "camera_scene_only_direction": true})");
    ASSERT_NE(scene->camera, nullptr);
    EXPECT_EQ(scene->camera->fov, 45.0f);
    EXPECT_FALSE(scene->camera->orthographic);
    EXPECT_EQ(scene->camera->ortho_half_size, 100.0f);
    ASSERT_NE(scene->root_node, nullptr);
    EXPECT_EQ(scene->root_node->name, "root");
    EXPECT_EQ(scene->root_node->model, nullptr);  // only linking sets it

    const JsonValue entry = JsonValue::parse(scene->to_json(false).dump());
    EXPECT_FALSE(entry.has("camera_scene"));  // not linked yet, so nothing to write
    scene->link_by_name(JsonValue::parse(R"({"root_node": {"model": "ship.glb"}, "camera_scene": "elsewhere"})"), {},
                        {});
    EXPECT_EQ(scene->root_node->model, nullptr);
    EXPECT_EQ(scene->camera_scene, nullptr);

    // Names that matched nothing survive a write, so the project loses nothing.
    const JsonValue written = scene->to_json(false);
    EXPECT_EQ(written["camera_scene"].as_string(), "elsewhere");
    EXPECT_EQ(written["root_node"]["model"].as_string(), "ship.glb");
    EXPECT_EQ(written["root_node"]["name"].as_string(), "root");
    EXPECT_TRUE(written["camera_scene_only_direction"].as_bool());
    EXPECT_EQ(written["camera"]["zfar"].as_float(), 10.0);
    EXPECT_EQ(written["camera"]["fov"].as_float(), 45.0);
}

TEST_F(SceneTest, ScenesThatNameEachOtherLinkWithoutCopies) {
    const JsonValue a_json = JsonValue::parse(R"({"name": "a", "camera_scene": "b"})");
    const JsonValue b_json =
        JsonValue::parse(R"({"name": "b", "camera_scene": "a", "camera_scene_only_direction": true})");
    Scene a(a_json);
    Scene b(b_json);
    const NameMap<Scene> scenes{{"a", &a}, {"b", &b}};
    a.link_by_name(a_json, {}, scenes);
    b.link_by_name(b_json, {}, scenes);
    EXPECT_EQ(a.camera_scene, &b);
    EXPECT_EQ(b.camera_scene, &a);
    EXPECT_EQ(a.to_json(false)["camera_scene"].as_string(), "b");
    EXPECT_EQ(b.to_json(false)["camera_scene"].as_string(), "a");
    // Neither has a camera: there is nothing to view through, and no loop.
    EXPECT_EQ(a.active_camera(), nullptr);
    EXPECT_EQ(b.active_camera(), nullptr);
    EXPECT_EQ(a.steered_camera(), nullptr);
}

TEST_F(SceneTest, EmptySceneWritesTwoZeroWordsAZeroKeyAndAFlag) {
    auto scene = scene_from(R"({"name": "bare"})");
    BinaryWriter out;
    scene->write(out);
    const auto& bytes = out.bytes();
    const std::size_t name_length = encoded_length("bare");
    ASSERT_EQ(bytes.size(), name_length + 8 + 8 + 8 + 1);
    for (std::size_t i = name_length; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
    scene.reset();

    std::size_t left = 1;
    auto back = scene_from_bytes(bytes, &left);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(back->name, "bare");
    EXPECT_EQ(back->camera, nullptr);
    EXPECT_EQ(back->root_node, nullptr);
    EXPECT_EQ(back->camera_scene_key, 0u);
    EXPECT_FALSE(back->camera_scene_only_direction);
}

TEST_F(SceneTest, BinaryRoundTripEmbedsCameraAndNodeAndKeysReferences) {
    auto lender = scene_from(R"({"name": "lender"})");
    auto scene = scene_from(R"({"name": "full", "camera": {"position": [1.0, 2.0, 3.0], "aspect": 1.5,
        "direction_mode": true}, "root_node": {"name": "root"}, "camera_scene_only_direction": true})");
    scene->camera_scene = lender.get();
    const std::unordered_map<const void*, std::uint64_t> keys{{lender.get(), 0x1122334455667788ull}};
    BinaryWriter out;
    out.set_key_table(&keys);
    scene->write(out);
    const auto& bytes = out.bytes();
    const std::size_t camera_word = encoded_length("full");
    EXPECT_NE(u64_at(bytes, camera_word), 0u);
    const std::size_t node_word = camera_word + 8 + kCameraBinarySize;
    EXPECT_NE(u64_at(bytes, node_word), 0u);
    const std::size_t node_end = node_word + 8 + encoded_length("root") + 8;
    EXPECT_EQ(u64_at(bytes, node_end - 8), 0u);  // the node has no model
    EXPECT_EQ(u64_at(bytes, node_end), 0x1122334455667788ull);
    ASSERT_EQ(bytes.size(), node_end + 8 + 1);
    EXPECT_EQ(bytes.back(), 1);
    scene.reset();

    auto back = scene_from_bytes(bytes);
    ASSERT_NE(back->camera, nullptr);
    EXPECT_EQ(back->camera->position, glm::vec3(1, 2, 3));
    EXPECT_EQ(back->camera->aspect, 1.5f);
    EXPECT_TRUE(back->camera->direction_mode);
    EXPECT_FALSE(back->camera->orthographic);
    ASSERT_NE(back->root_node, nullptr);
    EXPECT_EQ(back->root_node->name, "root");
    EXPECT_EQ(back->camera_scene, nullptr);
    EXPECT_EQ(back->camera_scene_key, 0x1122334455667788ull);
    EXPECT_TRUE(back->camera_scene_only_direction);

    back->resolve_references({{0x1122334455667788ull, lender.get()}});
    EXPECT_EQ(back->camera_scene, lender.get());
}

TEST_F(SceneTest, KeysThatMapToNothingOrToAnotherKindResolveToNull) {
    // A node whose model key is 5, written by hand: name, then the key.
    BinaryWriter out;
    out.write_string("odd");
    out.write_key(0);
    out.write_key(1);
    out.write_string("root");
    out.write_key(5);
    out.write_key(9);
    out.write_bool(false);
    auto scene = scene_from_bytes(out.bytes());
    ASSERT_NE(scene->root_node, nullptr);
    EXPECT_EQ(scene->root_node->model_key, 5u);

    Camera not_a_model;
    scene->resolve_references({{5, &not_a_model}, {9, &not_a_model}});
    EXPECT_EQ(scene->root_node->model, nullptr);
    EXPECT_EQ(scene->camera_scene, nullptr);

    scene->root_node->model_key = 5;
    scene->camera_scene_key = 9;
    scene->resolve_references({});
    EXPECT_EQ(scene->root_node->model, nullptr);
    EXPECT_EQ(scene->camera_scene, nullptr);
}

TEST_F(SceneTest, ShadowTargetIsADepthTextureWithALightCamera) {
    auto scene = scene_from(R"({"name": "lit"})");
    ASSERT_NE(scene->light_camera, nullptr);
    const Camera& light = *scene->light_camera;
    EXPECT_EQ(light.position, glm::vec3(300, 50, 0));
    EXPECT_EQ(light.direction, glm::vec3(0, 0, 0));
    EXPECT_EQ(light.up, glm::vec3(0, 1, 0));
    EXPECT_EQ(light.aspect, 1.0f);
    EXPECT_EQ(light.fov, 90.0f);
    EXPECT_EQ(light.znear, 1.0f);
    EXPECT_EQ(light.zfar, 1000.0f);
    EXPECT_FALSE(light.direction_mode);
    EXPECT_TRUE(light.orthographic);
    EXPECT_EQ(light.ortho_half_size, 100.0f);

    // The depth target comes with the first draw.
    EXPECT_EQ(scene->shadow_map, 0u);
    auto use = std::make_unique<Scene::ShadowTargetUse>(*scene);
    GLint width = 0, height = 0, format = 0, wrap = 0, filter = 0;
    glBindTexture(GL_TEXTURE_2D, scene->shadow_map);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(width, 8192);
    EXPECT_EQ(height, 8192);
    EXPECT_TRUE(format == GL_DEPTH_COMPONENT || format == GL_DEPTH_COMPONENT32F || format == GL_DEPTH_COMPONENT24 ||
                format == GL_DEPTH_COMPONENT32)
        << std::hex << format;
    EXPECT_EQ(wrap, GL_REPEAT);
    EXPECT_EQ(filter, GL_LINEAR);

    glBindFramebuffer(GL_FRAMEBUFFER, scene->shadow_framebuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    GLint draw_buffer = -1;
    glGetIntegerv(GL_DRAW_BUFFER, &draw_buffer);
    EXPECT_EQ(draw_buffer, GL_NONE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    // A draw at another size (a smaller one here) replaces the old objects.
    use.reset();
    const unsigned int old_map = scene->shadow_map;
    scene->shadow_map_width = scene->shadow_map_height = 64;
    use = std::make_unique<Scene::ShadowTargetUse>(*scene);
    use.reset();
    EXPECT_FALSE(glIsTexture(old_map));
    const unsigned int map = scene->shadow_map, framebuffer = scene->shadow_framebuffer;
    EXPECT_TRUE(glIsTexture(map));
    scene.reset();
    EXPECT_FALSE(glIsTexture(map));
    EXPECT_FALSE(glIsFramebuffer(framebuffer));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneTest, ScenesShareOneShadowTargetPerSizeTakenWhenFirstDrawn) {
    // Forty scenes used to hold 256 MB each from load on.
    std::vector<std::unique_ptr<Scene>> scenes;
    for (int i = 0; i < 40; ++i) scenes.push_back(scene_from(R"({"name": "s"})"));
    for (const auto& scene : scenes) EXPECT_EQ(scene->shadow_map, 0u);
    for (const auto& scene : scenes) scene->shadow_map_width = scene->shadow_map_height = 32;
    Scene& first = *scenes[0];
    Scene& second = *scenes[1];

    // Drawn one after another, every scene draws into the same target.
    for (const auto& scene : scenes) Scene::ShadowTargetUse use(*scene);
    const unsigned int map = first.shadow_map, framebuffer = first.shadow_framebuffer;
    EXPECT_TRUE(glIsTexture(map));
    for (const auto& scene : scenes) {
        EXPECT_EQ(scene->shadow_map, map);
        EXPECT_EQ(scene->shadow_framebuffer, framebuffer);
    }

    {
        // A scene drawn as an input during another's draw must not overwrite
        // the map the outer visible pass is about to read; the same scene
        // drawn inside its own draw keeps its target, as it always did.
        Scene::ShadowTargetUse outer(first);
        Scene::ShadowTargetUse inner(second);
        EXPECT_NE(second.shadow_map, map);
        EXPECT_NE(second.shadow_framebuffer, framebuffer);
        Scene::ShadowTargetUse again(first);
        EXPECT_EQ(first.shadow_map, map);
    }
    // Another size is another target.
    scenes[2]->shadow_map_width = 16;
    { Scene::ShadowTargetUse use(*scenes[2]); }
    EXPECT_NE(scenes[2]->shadow_map, map);
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, scenes[2]->shadow_map);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(width, 16);

    // Released with the last scene that holds it.
    const unsigned int nested_map = second.shadow_map;
    scenes.clear();
    EXPECT_FALSE(glIsTexture(map));
    EXPECT_FALSE(glIsTexture(nested_map));
    EXPECT_FALSE(glIsFramebuffer(framebuffer));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneTest, SceneWithoutAnyCameraSaysSoOnceAndDrawsNothing) {
    auto scene = scene_from(R"({"name": "dark", "root_node": {"name": "root"}})");
    ShaderProgram program;
    glUseProgram(program.program_id);
    testing::internal::CaptureStdout();
    scene->render(&program);
    scene->render(&program);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Scene \"dark\" has no camera; it draws nothing\n");
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    glUseProgram(0);
}

}  // namespace quillbarrow
