#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <fstream>
#include <iterator>
#include <sstream>

#include <glm/gtc/matrix_transform.hpp>

#include "document/texture.h"
#include "render/render_test_support.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "scene/skeleton.h"
#include "scene/skin.h"
#include "serialization/byte_buffer.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

// Draws with the model renderer's attribute locations and uniforms: the
// instance number shifts each copy 2 units along x, and the shadow lookup
// darkens what the light camera cannot see to a quarter.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
uniform mat4 uModelViewProjMatrix;
uniform mat4 uLightMVPMatrix;
uniform int uInstance;
out vec4 vLight;
void main() {
    vec4 p = vec4(aPosition + vec3(2.0 * float(uInstance), 0.0, 0.0), 1.0);
    vLight = uLightMVPMatrix * p;
    gl_Position = uModelViewProjMatrix * p;
}
)";

const char* kSkinnedVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 3) in uvec4 aJoints;
layout(location = 4) in vec4 aWeights;
layout(std140) uniform MatricesBlock { mat4 uJoints[100]; };
uniform mat4 uModelViewProjMatrix;
uniform mat4 uLightMVPMatrix;
out vec4 vLight;
void main() {
    mat4 skin = aWeights.x * uJoints[aJoints.x] + aWeights.y * uJoints[aJoints.y] +
                aWeights.z * uJoints[aJoints.z] + aWeights.w * uJoints[aJoints.w];
    vec4 p = skin * vec4(aPosition, 1.0);
    vLight = uLightMVPMatrix * p;
    gl_Position = uModelViewProjMatrix * p;
}
)";

// The branch on pass 2 never runs; it keeps every sampler and factor live
// so that the program has their locations.
std::string fragment_shader(bool shadows) {
    return std::string(R"(#version 330 core
uniform vec4 uBaseColorFactor;
uniform sampler2D uBaseColorTexture;
uniform sampler2D uMetallicRoughnessTexture;
uniform float uMetallicFactor;
uniform float uRougnessFactor;
uniform sampler2D uShadowMapTexture;
uniform int uIsShadowRenderPass;
in vec4 vLight;
out vec4 color;
void main() {
    if (uIsShadowRenderPass == 1) { color = vec4(1.0); return; }
    float lit = 1.0;
)") +
           (shadows ? "    vec3 l = vLight.xyz / vLight.w * 0.5 + 0.5;\n"
                      "    if (l.z - 0.01 > texture(uShadowMapTexture, l.xy).r) lit = 0.25;\n"
                    : "") +
           R"(    color = vec4(uBaseColorFactor.rgb * texture(uBaseColorTexture, vec2(0.5)).rgb * lit, 1.0);
    if (uIsShadowRenderPass == 2)
        color = texture(uShadowMapTexture, vec2(0.5)) + uMetallicFactor * uRougnessFactor *
                texture(uMetallicRoughnessTexture, vec2(0.5));
}
)";
}

std::unique_ptr<ShaderProgram> scene_program(bool shadows, bool skinned = false) {
    // The default program's empty fragment source does not compile; its log
    // is of no interest here.
    std::unique_ptr<ShaderProgram> program;
    {
        QuietShaderLogs quiet;
        program = std::make_unique<ShaderProgram>();
    }
    program->vertex_shader_source = skinned ? kSkinnedVertexShader : kVertexShader;
    program->fragment_shader_source = fragment_shader(shadows);
    program->rebuild();
    EXPECT_EQ(program->build_log, "Compilation successful.") << program->build_log;
    // The units an effect hands a scene: shadow map first, then the three
    // material units.
    program->shadow_map_unit = GL_TEXTURE0 + 1;
    program->base_color_unit = GL_TEXTURE0 + 2;
    program->metallic_roughness_unit = GL_TEXTURE0 + 3;
    program->emissive_unit = GL_TEXTURE0 + 4;
    return program;
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<Model> model_from_bytes(const std::string& filename, const std::string& bytes) {
    JsonValue value = JsonValue::object();
    value["filename"] = filename;
    value["buffer"] = base64_encode(bytes);
    auto model = std::make_unique<Model>(value);
    EXPECT_TRUE(model->parsed) << filename;
    return model;
}

std::unique_ptr<Model> sample_model(const std::string& name) {
    return model_from_bytes(name, file_bytes(test_data_path("gltf/" + name)));
}

// A small asset made here: a unit box, a 10 x 10 floor at y = 0 and a unit
// quad facing +z drawn without indices. Meshes: 0 blue box, 1 grey floor,
// 2 box without material, 3 green quad, 4 red box. The nodes and scene
// roots are the caller's.
std::string made_asset(const std::string& nodes, const std::string& roots) {
    std::vector<float> positions;
    for (int i = 0; i < 8; ++i)
        for (int axis = 0; axis < 3; ++axis) positions.push_back((i >> axis) & 1 ? 0.5f : -0.5f);
    const float floor[] = {-5, 0, -5, 5, 0, -5, 5, 0, 5, -5, 0, 5};
    const float quad[] = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f,  0.5f, 0,
                          -0.5f, -0.5f, 0, 0.5f, 0.5f,  0, -0.5f, 0.5f, 0};
    positions.insert(positions.end(), std::begin(floor), std::end(floor));
    positions.insert(positions.end(), std::begin(quad), std::end(quad));
    // Counter-clockwise seen from outside the box and from above the floor:
    // their materials are single-sided.
    const std::uint16_t indices[] = {0, 6, 2, 0, 4, 6, 1, 7, 5, 1, 3, 7, 0, 5, 4, 0, 1, 5, 2, 7, 3,
                                     2, 6, 7, 0, 3, 1, 0, 2, 3, 4, 7, 6, 4, 5, 7, 0, 2, 1, 0, 3, 2};
    std::string bytes(positions.size() * 4 + sizeof indices, '\0');
    std::memcpy(bytes.data(), positions.data(), positions.size() * 4);
    std::memcpy(bytes.data() + positions.size() * 4, indices, sizeof indices);

    std::ostringstream gltf;
    gltf << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": )" << roots << R"(}],
  "nodes": )"
         << nodes << R"(,
  "buffers": [{"byteLength": )"
         << bytes.size() << R"(, "uri": "data:application/octet-stream;base64,)" << base64_encode(bytes) << R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 216},
                  {"buffer": 0, "byteOffset": 216, "byteLength": 84}],
  "accessors": [
    {"bufferView": 0, "byteOffset": 0, "componentType": 5126, "count": 8, "type": "VEC3"},
    {"bufferView": 0, "byteOffset": 96, "componentType": 5126, "count": 4, "type": "VEC3"},
    {"bufferView": 0, "byteOffset": 144, "componentType": 5126, "count": 6, "type": "VEC3"},
    {"bufferView": 1, "byteOffset": 0, "componentType": 5123, "count": 36, "type": "SCALAR"},
    {"bufferView": 1, "byteOffset": 72, "componentType": 5123, "count": 6, "type": "SCALAR"}],
  "materials": [
    {"pbrMetallicRoughness": {"baseColorFactor": [0.8, 0.8, 0.8, 1.0], "metallicFactor": 0.0}},
    {"pbrMetallicRoughness": {"baseColorFactor": [0.2, 0.2, 1.0, 1.0], "metallicFactor": 0.0}},
    {"pbrMetallicRoughness": {"baseColorFactor": [0.0, 1.0, 0.0, 1.0], "metallicFactor": 0.0}},
    {"pbrMetallicRoughness": {"baseColorFactor": [1.0, 0.0, 0.0, 1.0], "metallicFactor": 0.0}}],
  "meshes": [
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 3, "material": 1}]},
    {"primitives": [{"attributes": {"POSITION": 1}, "indices": 4, "material": 0}]},
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 3}]},
    {"primitives": [{"attributes": {"POSITION": 2}, "material": 2}]},
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 3, "material": 3}]}]})";
    return gltf.str();
}

std::unique_ptr<Model> made_model(const std::string& nodes, const std::string& roots) {
    return model_from_bytes("made.gltf", made_asset(nodes, roots));
}

// A colour target with a depth buffer, as the window has.
class DepthTarget : public TestTarget {
public:
    DepthTarget(int width, int height) : TestTarget(width, height), width(width), height(height) {
        glGenRenderbuffers(1, &depth_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    }
    ~DepthTarget() { glDeleteRenderbuffers(1, &depth_); }
    void clear_all() const {
        clear(0, 0, 0, 1);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    const int width, height;

private:
    unsigned int depth_ = 0;
};

class SceneRenderingTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        instance_count = 1;
    }
    void TearDown() override {
        instance_count = 1;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(0);
        glBindVertexArray(0);
        glActiveTexture(GL_TEXTURE0);
    }

    // A scene whose root node shows the model, linked by name, with a
    // shadow map small enough for the software renderer.
    static std::unique_ptr<Scene> scene_showing(Model* model, const std::string& camera_json) {
        std::string text = R"({"name": "shown", "root_node": {"name": "root", "model": "m"})";
        if (!camera_json.empty()) text += R"(, "camera": )" + camera_json;
        const JsonValue entry = JsonValue::parse(text + "}");
        auto scene = std::make_unique<Scene>(entry);
        scene->link_by_name(entry, {{"m", model}}, {});
        EXPECT_EQ(scene->root_node->model, model);
        scene->shadow_map_width = scene->shadow_map_height = 512;
        scene->create_shadow_target();
        return scene;
    }

    // Both passes the way an effect draws a scene.
    static void draw(Scene& scene, ShaderProgram& program, const DepthTarget& target) {
        const Scene::ShadowTargetUse shadow_target(scene);
        glUseProgram(program.program_id);
        glBindFramebuffer(GL_FRAMEBUFFER, scene.shadow_framebuffer);
        glViewport(0, 0, static_cast<GLsizei>(scene.shadow_map_width), static_cast<GLsizei>(scene.shadow_map_height));
        glClear(GL_DEPTH_BUFFER_BIT);
        glUniform1i(program.is_shadow_render_pass_location, 1);
        scene.shadow_pass = true;
        scene.render(&program);
        scene.shadow_pass = false;

        target.clear_all();
        glUniform1i(program.is_shadow_render_pass_location, 0);
        scene.render(&program);
        glFinish();
    }
};

std::string camera_json(glm::vec3 eye, glm::vec3 target, float aspect) {
    std::ostringstream s;
    s.setf(std::ios::fixed);
    s << R"({"position": [)" << eye.x << ", " << eye.y << ", " << eye.z << R"(], "direction": [)" << target.x << ", "
      << target.y << ", " << target.z << R"(], "up": [0.0, 1.0, 0.0], "aspect": )" << aspect
      << R"(, "fov": 45.0, "znear": 0.5, "zfar": 50.0})";
    return s.str();
}

// The target pixel a world point lands on through a camera.
std::array<int, 2> pixel_of(const Camera& camera, glm::vec3 point, const DepthTarget& target) {
    const glm::vec4 clip = camera.projection_matrix() * camera.view_matrix() * glm::vec4(point, 1.0f);
    const float x = (clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(target.width);
    const float y = (clip.y / clip.w * 0.5f + 0.5f) * static_cast<float>(target.height);
    return {static_cast<int>(x), static_cast<int>(y)};
}

std::array<int, 4> pixel_at(const DepthTarget& target, const Camera& camera, glm::vec3 point) {
    const auto [x, y] = pixel_of(camera, point, target);
    EXPECT_TRUE(x >= 0 && x < target.width && y >= 0 && y < target.height) << x << ", " << y;
    return target.pixel(x, y);
}

std::vector<std::uint8_t> all_pixels(const DepthTarget& target) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(target.width * target.height) * 4);
    target.bind();
    glReadPixels(0, 0, target.width, target.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int lit_pixel_count(const std::vector<std::uint8_t>& pixels) {
    int count = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) count += pixels[i] + pixels[i + 1] + pixels[i + 2] > 0;
    return count;
}

const float kAspect = 64.0f / 36.0f;

}  // namespace

TEST_F(SceneRenderingTest, BoxSeenThroughTheSceneCameraFollowsItsFields) {
    auto model = sample_model("Box.glb");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 4}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);

    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(target.pixel(32, 18), 204, 0, 0, 255, 2);  // Box's material is 0.8 red
    EXPECT_NEAR_RGBA(target.pixel(0, 0), 0, 0, 0, 255, 0);
    EXPECT_NEAR_RGBA(target.pixel(63, 35), 0, 0, 0, 255, 0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    // Looking 1.5 to the right puts the box left of the centre.
    Camera& camera = *scene->camera;
    camera.position = {1.5f, 0, 4};
    camera.direction = {1.5f, 0, 0};
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(target.pixel(32, 18), 0, 0, 0, 255, 0);
    const auto [x, y] = pixel_of(camera, {0, 0, 0.5f}, target);
    EXPECT_LT(x, 24);
    EXPECT_NEAR_RGBA(target.pixel(x, y), 204, 0, 0, 255, 2);

    // The same view in direction mode, then a narrower field of view that
    // fills the whole target.
    camera.direction_mode = true;
    camera.direction = {0, 0, -1};
    camera.fov = 5.0f;
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(target.pixel(0, 0), 0, 0, 0, 255, 0);
    camera.position = {0, 0, 4};
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(target.pixel(0, 0), 204, 0, 0, 255, 2);
    EXPECT_NEAR_RGBA(target.pixel(63, 35), 204, 0, 0, 255, 2);
}

TEST_F(SceneRenderingTest, SceneWithoutCameraLooksThroughItsCameraScene) {
    auto model = sample_model("Box.glb");
    auto viewer = scene_showing(model.get(), camera_json({0, 0, 4}, {0, 0, 0}, kAspect));
    auto borrower = scene_showing(model.get(), "");
    auto program = scene_program(false);
    DepthTarget target(64, 36);

    testing::internal::CaptureStdout();
    draw(*borrower, *program, target);
    draw(*borrower, *program, target);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Scene \"shown\" has no camera; it draws nothing\n");
    EXPECT_EQ(lit_pixel_count(all_pixels(target)), 0);

    borrower->camera_scene = viewer.get();
    borrower->camera_scene_only_direction = true;  // no own camera: the whole one is borrowed
    draw(*borrower, *program, target);
    EXPECT_NEAR_RGBA(target.pixel(32, 18), 204, 0, 0, 255, 2);
    EXPECT_NEAR_RGBA(target.pixel(0, 0), 0, 0, 0, 255, 0);
}

TEST_F(SceneRenderingTest, InstancesAreDrawnOncePerInstanceNumber) {
    auto model = sample_model("Box.glb");
    auto scene = scene_showing(model.get(), camera_json({2, 0, 8}, {2, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    const Camera& camera = *scene->camera;

    instance_count = 3;
    draw(*scene, *program, target);
    for (float x : {0.0f, 2.0f, 4.0f}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR_RGBA(pixel_at(target, camera, {x, 0, 0.5f}), 204, 0, 0, 255, 2);
    }
    for (float x : {1.0f, 3.0f, 6.0f}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR_RGBA(pixel_at(target, camera, {x, 0, 0.5f}), 0, 0, 0, 255, 0);
    }

    instance_count = 1;
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 0, 0.5f}), 204, 0, 0, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {2, 0, 0.5f}), 0, 0, 0, 255, 0);
}

TEST_F(SceneRenderingTest, ZeroInstancesDrawNothingButBindTheShadowMap) {
    auto model = sample_model("Box.glb");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 4}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);

    instance_count = 0;
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, white_texture);
    draw(*scene, *program, target);
    EXPECT_EQ(lit_pixel_count(all_pixels(target)), 0);
    EXPECT_EQ(bound_texture(1), scene->shadow_map);
    GLint unit = -1;
    glGetUniformiv(program->program_id, program->shadow_map_texture_location, &unit);
    EXPECT_EQ(unit, 1);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(SceneRenderingTest, SecondPassNodesDrawAfterTheFirstPassAndPassTheirMatrixOn) {
    // Node 0 (blue, pass 2) and node 1 (red, pass 1) coincide; node 0 comes
    // first, so red can only win the depth test if blue is drawn later.
    // Node 2, node 0's child, is drawn in pass 1 at node 0's place plus its
    // own. Node 3 asks for pass 2.0, which is no integer and never drawn.
    auto model = made_model(R"([
        {"mesh": 0, "translation": [-1.0, 0.0, 0.0], "children": [2], "extras": {"render_pass": 2}},
        {"mesh": 4, "translation": [-1.0, 0.0, 0.0]},
        {"mesh": 0, "translation": [2.5, 0.0, 0.0]},
        {"mesh": 0, "translation": [-1.0, 1.3, 0.0], "extras": {"render_pass": 2.0}}])",
                            "[0, 1, 3]");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 6}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    const Camera& camera = *scene->camera;

    draw(*scene, *program, target);
    EXPECT_EQ(model->render_pass_count, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-1, 0, 0.5f}), 255, 0, 0, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {1.5f, 0, 0.5f}), 51, 51, 255, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-1, 1.3f, 0.5f}), 0, 0, 0, 255, 0);

    // Without the pass-2 mark node 0 is drawn first, in pass 1, and wins.
    model->gltf.nodes[0].extras = tinygltf::Value();
    draw(*scene, *program, target);
    EXPECT_EQ(model->render_pass_count, 1);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-1, 0, 0.5f}), 51, 51, 255, 255, 2);
}

TEST_F(SceneRenderingTest, BoxCastsAShadowOnTheFloorUnlessItIgnoresShadows) {
    // A floor, a box floating above it at height 1.5 and, as the box's
    // child, a second box 3 units to the right.
    auto model = made_model(R"([
        {"mesh": 1},
        {"mesh": 0, "translation": [0.0, 1.5, 0.0], "children": [2]},
        {"mesh": 0, "translation": [3.0, 0.0, 0.0]}])",
                            "[0, 1]");
    auto scene = scene_showing(model.get(), camera_json({0, 6, 9}, {0, 0, 0}, 2.0f));
    auto program = scene_program(true);
    DepthTarget target(128, 64);
    const Camera& camera = *scene->camera;
    // Straight down from above, as the timeline would place the light.
    Camera& light = *scene->light_camera;
    light.position = {0, 20, 0};
    light.direction = {0, 0, 0};
    light.up = {0, 0, -1};
    light.ortho_half_size = 8.0f;
    light.zfar = 30.0f;  // depth steps of the floating box stay well above the bias

    draw(*scene, *program, target);
    const auto shadowed = pixel_at(target, camera, {0, 0, 0});
    const auto lit = pixel_at(target, camera, {-3, 0, 0});
    EXPECT_NEAR_RGBA(lit, 204, 204, 204, 255, 2);
    EXPECT_NEAR_RGBA(shadowed, 51, 51, 51, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {3, 0, 0}), 51, 51, 51, 255, 2);   // the child's shadow
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 2, 0}), 51, 51, 255, 255, 2);  // the box's lit top

    // Ignoring shadows leaves the box out of the shadow pass only: it is
    // still drawn, and its child still casts a shadow.
    tinygltf::Value::Object extras;
    extras["ignore_shadow"] = tinygltf::Value(true);
    model->gltf.nodes[1].extras = tinygltf::Value(extras);
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 0, 0}), 204, 204, 204, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {3, 0, 0}), 51, 51, 51, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 2, 0}), 51, 51, 255, 255, 2);
}

TEST_F(SceneRenderingTest, PrimitiveWithoutMaterialIsWhiteAndUnindexedOnesAreDrawn) {
    auto model = made_model(R"([{"mesh": 2, "translation": [-1.0, 0.0, 0.0]},
                                {"mesh": 3, "translation": [1.0, 0.0, 0.0]}])",
                            "[0, 1]");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 5}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    const Camera& camera = *scene->camera;

    // Something else on the material units beforehand: the draw must
    // replace it.
    const std::uint8_t dark[4] = {10, 10, 10, 255};
    const GlTexture stale = create_gl_texture(1, 1, dark, GL_CLAMP_TO_EDGE);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, stale);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, stale);

    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-1, 0, 0.5f}), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {1, 0, 0}), 0, 255, 0, 255, 0);
    // The quad drew last: its material has no metallic-roughness texture.
    EXPECT_EQ(bound_texture(2), white_texture);
    EXPECT_EQ(bound_texture(3), 0u);
}

TEST_F(SceneRenderingTest, BaseColourTextureIsTheImageOfItsSource) {
    auto model = sample_model("BoxTextured.glb");
    ASSERT_EQ(model->image_textures.size(), 1u);
    auto scene = scene_showing(model.get(), camera_json({0, 0, 4}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    draw(*scene, *program, target);
    EXPECT_EQ(bound_texture(2), model->image_textures[0]->texture);
    EXPECT_NE(model->image_textures[0]->texture, white_texture);
    EXPECT_GT(lit_pixel_count(all_pixels(target)), 50);
}

TEST_F(SceneRenderingTest, OverrideMatrixReplacesTheWholeWorldMatrix) {
    auto model = made_model(R"([{"translation": [-2.0, 0.0, 0.0], "children": [1]}, {"mesh": 0}])", "[0]");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 6}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    const Camera& camera = *scene->camera;

    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-2, 0, 0.5f}), 51, 51, 255, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {1.5f, 0, 0.5f}), 0, 0, 0, 255, 0);

    ASSERT_EQ(model->node_override_flags.size(), 2u);
    model->node_override_flags[1] = true;
    model->node_override_matrices[1] = glm::translate(glm::mat4(1.0f), glm::vec3(1.5f, 0, 0));
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-2, 0, 0.5f}), 0, 0, 0, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {1.5f, 0, 0.5f}), 51, 51, 255, 255, 2);
}

TEST_F(SceneRenderingTest, OutOfRangeIndicesAndCyclesAreSkipped) {
    // Node 0 lists itself and node 1 as children (a cycle), an index past
    // the end and a negative one; node 1 points back at node 0 too.
    auto model = made_model(R"([{"mesh": 0, "children": [0, 1, 40, -3]},
                                {"mesh": 4, "translation": [2.0, 0.0, 0.0], "children": [0]},
                                {"mesh": 17}])",
                            "[0, 2, 9]");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 6}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    const Camera& camera = *scene->camera;

    auto& gltf = model->gltf;
    gltf.meshes[4].primitives[0].material = 12;                         // no such material: plain white
    gltf.materials[1].pbrMetallicRoughness.baseColorTexture.index = 5;  // no such texture
    gltf.materials[1].pbrMetallicRoughness.baseColorFactor.resize(2);   // a short factor
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 0, 0.5f}), 51, 51, 255, 255, 2);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {2, 0, 0.5f}), 255, 255, 255, 255, 0);

    // Drawing uses what was checked and uploaded: indices made invalid
    // afterwards are never read again.
    gltf.accessors[3].bufferView = 8;
    gltf.accessors[3].count = 1u << 30;
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 0, 0.5f}), 51, 51, 255, 255, 2);

    // A default scene that does not exist: the first scene is drawn, and
    // that is said once.
    gltf.accessors[3].bufferView = 1;
    gltf.defaultScene = 3;
    testing::internal::CaptureStdout();
    draw(*scene, *program, target);
    draw(*scene, *program, target);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Model made.gltf has no default scene of that number; its first scene is drawn\n");
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 0, 0.5f}), 51, 51, 255, 255, 2);
    gltf.scenes.clear();  // nothing left to draw
    draw(*scene, *program, target);
    EXPECT_EQ(lit_pixel_count(all_pixels(target)), 0);
}

namespace {

// Triangles that reach the rasteriser while the function runs.
GLuint primitives_generated(const std::function<void()>& run) {
    GLuint query = 0, count = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    run();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
    glDeleteQueries(1, &query);
    return count;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

}  // namespace

TEST_F(SceneRenderingTest, PrimitivesDrawOnlyWhatWasCheckedAndUploaded) {
    // Six positions (the quad of two triangles), then two index lists: one
    // inside the vertices, one naming vertex 9. Mesh 0 is sound; the others
    // hold one fault each: indices running past their view (which used to
    // draw from a client address the file chose), an index past the
    // vertices, an unchecked COLOR_0 of two billion vertices that comes
    // first by name, and a NORMAL shorter than POSITION (so 3 vertices, one
    // triangle), no POSITION, an unknown mode.
    const float quad[] = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f,  0.5f, 0,
                          -0.5f, -0.5f, 0, 0.5f, 0.5f,  0, -0.5f, 0.5f, 0};
    const std::uint16_t indices[] = {0, 1, 2, 3, 4, 5, 0, 1, 9, 3, 4, 5};
    std::string bytes(sizeof quad + sizeof indices, '\0');
    std::memcpy(bytes.data(), quad, sizeof quad);
    std::memcpy(bytes.data() + sizeof quad, indices, sizeof indices);
    const std::string asset = R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0, 1, 2, 3, 4, 5]}],
  "nodes": [{"mesh": 0}, {"mesh": 1}, {"mesh": 2}, {"mesh": 3}, {"mesh": 4}, {"mesh": 5}],
  "buffers": [{"byteLength": 96, "uri": "data:application/octet-stream;base64,)" +
                              base64_encode(bytes) + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 72}, {"buffer": 0, "byteOffset": 72, "byteLength": 24}],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": 6, "type": "VEC3"},
    {"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3"},
    {"bufferView": 1, "componentType": 5123, "count": 6, "type": "SCALAR"},
    {"bufferView": 1, "componentType": 5123, "count": 1000000, "type": "SCALAR"},
    {"bufferView": 1, "byteOffset": 12, "componentType": 5123, "count": 6, "type": "SCALAR"},
    {"bufferView": 0, "componentType": 5126, "count": 2000000000, "type": "VEC3"}],
  "meshes": [
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 2}]},
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 3}]},
    {"primitives": [{"attributes": {"POSITION": 0}, "indices": 4}]},
    {"primitives": [{"attributes": {"COLOR_0": 5, "POSITION": 0, "NORMAL": 1}}]},
    {"primitives": [{"attributes": {"NORMAL": 1}}]},
    {"primitives": [{"attributes": {"POSITION": 0}, "mode": 9}]}]})";
    testing::internal::CaptureStderr();
    auto model = model_from_bytes("hostile.gltf", asset);
    auto scene = scene_showing(model.get(), camera_json({0, 0, 4}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    // Two triangles of mesh 0 and one of mesh 3, in each of the two passes.
    EXPECT_EQ(primitives_generated([&] { draw(*scene, *program, target); }), 6u);
    EXPECT_EQ(primitives_generated([&] { draw(*scene, *program, target); }), 6u);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NEAR_RGBA(target.pixel(32, 18), 255, 255, 255, 255, 0);

    // Each refused primitive says so once, at load, however often drawn.
    EXPECT_EQ(occurrences(log, "not drawn"), 4u) << log;
    for (const char* line :
         {"Mesh 1 primitive 0 of hostile.gltf: not drawn: indices: accessor 3 runs past its buffer view",
          "Mesh 2 primitive 0 of hostile.gltf: not drawn: index 9 is past the 6 vertices",
          "Mesh 4 primitive 0 of hostile.gltf: not drawn: no usable POSITION attribute",
          "Mesh 5 primitive 0 of hostile.gltf: not drawn: unknown mode 9"})
        EXPECT_EQ(occurrences(log, line), 1u) << line << "\n" << log;
}

TEST_F(SceneRenderingTest, EveryNodeIsWalkedOncePerPassHoweverOftenItIsListed) {
    // Forty levels, each listing the next twice, the last pointing back at
    // the first, the first a root twice: once per path, that was 2^40 visits.
    std::string nodes = "[";
    for (int level = 0; level < 40; ++level)
        nodes += R"({"mesh": 3, "children": [)" + std::to_string(level + 1) + ", " + std::to_string(level + 1) + "]},";
    nodes += R"({"mesh": 3, "children": [0]}])";
    auto model = made_model(nodes, "[0, 0]");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 4}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    // 41 quads of two triangles in each of the two passes, per instance.
    EXPECT_EQ(primitives_generated([&] { draw(*scene, *program, target); }), 164u);
    instance_count = 2;
    EXPECT_EQ(primitives_generated([&] { draw(*scene, *program, target); }), 328u);
    EXPECT_NEAR_RGBA(target.pixel(32, 18), 0, 255, 0, 255, 0);
}

TEST_F(SceneRenderingTest, SkinnedSampleIsPosedByItsJointMatrices) {
    auto model = sample_model("SimpleSkin.glb");
    ASSERT_NE(model->skeleton, nullptr);
    ASSERT_EQ(model->skeleton->joints.size(), 2u);
    auto scene = scene_showing(model.get(), camera_json({0, 1, 5}, {0, 1, 0}, kAspect));
    auto program = scene_program(false, true);
    ASSERT_NE(program->matrices_block_index, 0xFFFFFFFFu);
    DepthTarget target(64, 36);

    auto pose = [&](float phase) {
        model->animate(0, phase);
        const auto& matrices = model->skeleton->joint_matrices;
        glBindBuffer(GL_UNIFORM_BUFFER, model->joint_buffer);
        glBindBufferBase(GL_UNIFORM_BUFFER, 0, model->joint_buffer);
        glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(matrices.size() * sizeof(glm::mat4)),
                        matrices.data());
        glBindBuffer(GL_UNIFORM_BUFFER, 0);
        draw(*scene, *program, target);
        return all_pixels(target);
    };
    const auto rest = pose(0.0f);
    const auto bent = pose(0.3f);
    EXPECT_GT(lit_pixel_count(rest), 20);
    EXPECT_GT(lit_pixel_count(bent), 20);
    int differing = 0;
    for (std::size_t i = 0; i < rest.size(); i += 4) differing += rest[i] != bent[i];
    EXPECT_GT(differing, 10);
    // The strip's foot does not move; no material means plain white.
    EXPECT_NEAR_RGBA(target.pixel(32, pixel_of(*scene->camera, {0, 0.2f, 0}, target)[1]), 255, 255, 255, 255, 0);
    EXPECT_EQ(pose(0.0f), rest);
}

TEST_F(SceneRenderingTest, GpuInstancesDrawTheNodesMeshOncePerInstanceInBothPasses) {
    // A floor and, at height 1.5, a blue unit box drawn at x = -3, at x = 0
    // turned 45 degrees about z, and at x = 3 scaled 2 on x and y.
    auto model = sample_model("gpu_instancing.gltf");
    auto scene = scene_showing(model.get(), camera_json({0, 1.5f, 8.5f}, {0, 1.5f, 0}, 2.0f));
    auto program = scene_program(false);
    DepthTarget target(256, 128);
    auto blue_at = [&](float x, float y) {
        const auto p = pixel_at(target, *scene->camera, {x, y, 0.5f});
        return p[0] == 51 && p[1] == 51 && p[2] == 255;
    };

    draw(*scene, *program, target);
    EXPECT_TRUE(blue_at(-3.0f, 1.5f));
    EXPECT_FALSE(blue_at(-3.0f, 2.2f));
    EXPECT_FALSE(blue_at(-1.5f, 1.5f));
    EXPECT_TRUE(blue_at(0.0f, 2.05f));  // the turned box's corner
    EXPECT_FALSE(blue_at(0.4f, 1.9f));  // where an unturned box would be
    EXPECT_TRUE(blue_at(3.8f, 2.3f));   // only the scaled box reaches here
    EXPECT_FALSE(blue_at(3.0f, 2.7f));
    EXPECT_FALSE(blue_at(-1.0f, 1.5f));

    // Each render instance draws every GPU instance: the test shader moves
    // the second one 2 units along the instance's own x.
    instance_count = 2;
    draw(*scene, *program, target);
    EXPECT_TRUE(blue_at(-1.0f, 1.5f));
    EXPECT_TRUE(blue_at(-3.0f, 1.5f));
    instance_count = 1;

    // Seen from above with the light straight down, every instance casts
    // its own shadow, the turned and the scaled one at their own size.
    auto shadowed = scene_showing(model.get(), camera_json({0, 6, 9}, {0, 0, 0}, 2.0f));
    Camera& light = *shadowed->light_camera;
    light.position = {0, 20, 0};
    light.direction = {0, 0, 0};
    light.up = {0, 0, -1};
    light.ortho_half_size = 8.0f;
    light.zfar = 30.0f;
    auto shadow_program = scene_program(true);
    draw(*shadowed, *shadow_program, target);
    const Camera& camera = *shadowed->camera;
    for (float x : {-3.0f, 0.0f, 0.6f, 3.8f}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR_RGBA(pixel_at(target, camera, {x, 0, 0}), 51, 51, 51, 255, 2);
    }
    for (float x : {-1.5f, 1.5f, 4.6f}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR_RGBA(pixel_at(target, camera, {x, 0, 0}), 204, 204, 204, 255, 2);
    }
}

TEST_F(SceneRenderingTest, SingleSidedMaterialsCullBackFacesAndMirroredNodesKeepTheirFront) {
    // Squares at x -4.5 (facing the camera), -1.5 (its back to the camera),
    // 1.5 (the same, double-sided) and 4.5 (mirrored in x, facing it).
    auto model = sample_model("face_culling.gltf");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 10}, {0, 0, 0}, kAspect));
    auto program = scene_program(false);
    DepthTarget target(64, 36);
    const Camera& camera = *scene->camera;
    glFrontFace(GL_CW);  // whatever was set before the scene is put back
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-4.5f, 0, 0}), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-1.5f, 0, 0}), 0, 0, 0, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {1.5f, 0, 0}), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {4.5f, 0, 0}), 255, 255, 255, 255, 0);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint front = 0;
    glGetIntegerv(GL_FRONT_FACE, &front);
    EXPECT_EQ(front, GL_CW);
    glFrontFace(GL_CCW);
}

TEST_F(SceneRenderingTest, SkinsFollowTheirNonJointAncestorsAndEachSkinnedNodeItsOwnSkin) {
    auto program = scene_program(false, true);
    DepthTarget target(64, 36);

    // The armature, turned a quarter and carried to (2,0,0) at 0.5 s, puts
    // the tip and the square weighted to it at (0,1,0).
    auto rig = sample_model("skin_under_rotated_node.gltf");
    auto scene = scene_showing(rig.get(), camera_json({0, 1, 8}, {0, 1, 0}, kAspect));
    rig->animate(0, 0.5f);
    ASSERT_EQ(rig->skeleton->joint_matrices.size(), 2u);
    EXPECT_NEAR(glm::length(glm::vec3(rig->skeleton->joint_matrices[0][3]) - glm::vec3(2, 1, 1)), 0.0f, 1e-5f);
    EXPECT_NEAR(glm::length(glm::vec3(rig->skeleton->joint_matrices[1][3]) - glm::vec3(0, 1, 1)), 0.0f, 1e-5f);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, rig->joint_buffer);
    Animation::upload_joint_block(rig->joint_buffer, rig->skeleton->joint_matrices);
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(pixel_at(target, *scene->camera, {0, 1.5f, 0}), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, *scene->camera, {0, -0.5f, 0}), 0, 0, 0, 255, 0);

    // Three skinned nodes: the block is refilled for each. "lifted" shares
    // the left skin from (0,3,0), so it draws where "left" does.
    auto pair = sample_model("two_skins.gltf");
    ASSERT_EQ(pair->skins.size(), 2u);
    ASSERT_EQ(pair->skin_uses.size(), 3u);
    const std::vector<glm::mat4>* lifted = pair->skin_matrices_of_node(4);
    ASSERT_NE(lifted, nullptr);
    EXPECT_EQ(glm::vec3((*lifted)[0][3]), glm::vec3(-2, -3, 0));
    EXPECT_EQ(glm::vec3((*pair->skin_matrices_of_node(1))[0][3]), glm::vec3(2, 0, 0));
    EXPECT_EQ(pair->skin_matrices_of_node(2), nullptr);
    auto both = scene_showing(pair.get(), camera_json({0, 1, 10}, {0, 1, 0}, kAspect));
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, pair->joint_buffer);
    draw(*both, *program, target);
    const Camera& camera = *both->camera;
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {-2, 0, 0}), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {2, 0, 0}), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(pixel_at(target, camera, {0, 3, 0}), 0, 0, 0, 255, 0);
}

TEST_F(SceneRenderingTest, ModelCameraReplacesTheSceneCameraInTheVisiblePassOnly) {
    // Camera 1 of the model: orthographic, 2 x 1 half sizes, from (0,0,4):
    // the 2 x 2 square at the origin fills the middle half of the width.
    auto model = sample_model("animated_camera.gltf");
    auto scene = scene_showing(model.get(), camera_json({0, 0, 4}, {0, 0, 100}, kAspect));  // looks away
    auto program = scene_program(true);
    DepthTarget target(64, 36);
    draw(*scene, *program, target);
    EXPECT_EQ(lit_pixel_count(all_pixels(target)), 0);

    scene->model_camera = 1;
    draw(*scene, *program, target);
    EXPECT_NEAR_RGBA(target.pixel(32, 18), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(target.pixel(20, 2), 255, 255, 255, 255, 0);
    EXPECT_NEAR_RGBA(target.pixel(10, 18), 0, 0, 0, 255, 0);
    EXPECT_NEAR_RGBA(target.pixel(54, 18), 0, 0, 0, 255, 0);

    // Camera 2 is held by no node and 7 does not exist: the scene camera
    // is kept, and that is said once.
    testing::internal::CaptureStdout();
    for (int camera : {2, 7}) {
        scene->model_camera = camera;
        draw(*scene, *program, target);
        draw(*scene, *program, target);
        EXPECT_EQ(lit_pixel_count(all_pixels(target)), 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Scene \"shown\": model animated_camera.gltf has no usable camera 2; the scene camera is used\n");
}

}  // namespace quillbarrow
