#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "document/texture.h"
#include "render/render_test_support.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "scene/tangents.h"
#include "scene/texture_sampler.h"
#include "scene/texture_transform.h"
#include "serialization/byte_buffer.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 2) in vec2 aUv0;
layout(location = 5) in vec4 aTangent;
layout(location = 6) in vec2 aUv1;
uniform mat4 uModelViewProjMatrix;
uniform mat3 uBaseColorUvTransform;
uniform int uBaseColorTexCoord;
out vec2 vUv;
out vec4 vTangent;
void main() {
    vec2 uv = uBaseColorTexCoord == 1 ? aUv1 : aUv0;
    vUv = (uBaseColorUvTransform * vec3(uv, 1.0)).xy;
    vTangent = aTangent;
    gl_Position = uModelViewProjMatrix * vec4(aPosition, 1.0);
}
)";

// A program whose fragment colour is the given expression.
std::unique_ptr<ShaderProgram> material_program(const std::string& colour) {
    std::unique_ptr<ShaderProgram> program;
    {
        QuietShaderLogs quiet;
        program = std::make_unique<ShaderProgram>();
    }
    program->vertex_shader_source = kVertexShader;
    program->fragment_shader_source = R"(#version 330 core
uniform vec4 uBaseColorFactor;
uniform sampler2D uBaseColorTexture, uNormalTexture, uOcclusionTexture;
uniform float uNormalScale, uOcclusionStrength, uAlphaCutoff, uEmissiveStrength;
uniform vec3 uEmissiveFactor;
uniform int uAlphaMode, uHasNormalTexture, uHasOcclusionTexture, uHasBaseColorTexture;
in vec2 vUv;
in vec4 vTangent;
out vec4 color;
void main() { color = )" + colour + "; }\n";
    program->rebuild();
    EXPECT_EQ(program->build_log, "Compilation successful.") << program->build_log;
    program->shadow_map_unit = GL_TEXTURE0 + 1;
    program->base_color_unit = GL_TEXTURE0 + 2;
    program->metallic_roughness_unit = GL_TEXTURE0 + 3;
    program->emissive_unit = GL_TEXTURE0 + 4;
    program->normal_unit = GL_TEXTURE0 + 5;
    program->occlusion_unit = GL_TEXTURE0 + 6;
    return program;
}

std::unique_ptr<Model> generated_model(const std::string& name) {
    std::ifstream in(test_data_path("gltf/" + name), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    JsonValue value = JsonValue::object();
    value["filename"] = name;
    value["buffer"] = base64_encode(bytes);
    auto model = std::make_unique<Model>(value);
    EXPECT_TRUE(model->parsed) << name;
    return model;
}

// 96 x 96 pixels over x and y from -3 to 3 (16 pixels a unit), seen from +z
// through an orthographic camera, with a depth buffer.
class OrthoView : public TestTarget {
public:
    OrthoView() : TestTarget(96, 96) {
        glGenRenderbuffers(1, &depth_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, 96, 96);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    }
    ~OrthoView() { glDeleteRenderbuffers(1, &depth_); }

    // The visible pass of the model's scene with the program.
    void draw(Model& model, ShaderProgram& program) {
        const JsonValue entry = JsonValue::parse(
            R"({"name": "view", "root_node": {"name": "root", "model": "m"}, "camera": {"position": [0.0, 0.0, 5.0],
                "direction": [0.0, 0.0, 0.0], "up": [0.0, 1.0, 0.0], "aspect": 1.0, "fov": 45.0, "znear": 0.5,
                "zfar": 20.0}})");
        Scene scene(entry);
        scene.link_by_name(entry, {{"m", &model}}, {});
        scene.camera->orthographic = true;
        scene.camera->ortho_half_size = 3.0f;
        clear(0, 0, 0, 1);
        glClear(GL_DEPTH_BUFFER_BIT);
        glUseProgram(program.program_id);
        scene.render(&program);
        glFinish();
    }
    std::array<int, 4> at(float x, float y) const {
        return pixel(static_cast<int>((x + 3.0f) * 16.0f), static_cast<int>((y + 3.0f) * 16.0f));
    }

private:
    unsigned int depth_ = 0;
};

class MaterialRenderingTest : public GlTest {
protected:
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(0);
        glBindVertexArray(0);
        glActiveTexture(GL_TEXTURE0);
    }
};

}  // namespace

TEST_F(MaterialRenderingTest, EachTextureWrapsAsItsSamplerSaysOverOneImage) {
    auto model = generated_model("sampler_wrap.gltf");
    ASSERT_EQ(model->image_textures.size(), 1u);
    auto program = material_program("texture(uBaseColorTexture, vUv)");
    OrthoView view;
    view.draw(*model, *program);

    const float us[] = {-0.75f, -0.25f, 0.25f, 0.75f, 1.25f, 1.75f};
    // 'r' red, 'g' green, per sample point; rows REPEAT, MIRRORED_REPEAT, CLAMP_TO_EDGE.
    const char* expected[] = {"rgrgrg", "grrggr", "rrrggg"};
    for (int row = 0; row < 3; ++row) {
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE("row " + std::to_string(row) + ", u " + std::to_string(us[i]));
            const bool red = expected[row][i] == 'r';
            EXPECT_NEAR_RGBA(view.at(us[i] - 0.5f, 1.2f - 1.2f * static_cast<float>(row)), red ? 255 : 0, red ? 0 : 255,
                             0, 255, 0);
        }
    }
    // Far minified with a mipmap filter: the 1x1 level, the mean of the two.
    EXPECT_NEAR_RGBA(view.at(0.0f, -2.4f), 128, 128, 0, 255, 2);
}

TEST_F(MaterialRenderingTest, SamplersFromTheFileAreCheckedAndDefaultToRepeat) {
    tinygltf::Model gltf;
    gltf.textures.resize(3);
    gltf.textures[0].sampler = 7;  // no such sampler
    gltf.textures[1].sampler = 0;
    gltf.textures[2].sampler = 1;
    gltf.samplers.resize(2);
    gltf.samplers[0].wrapS = 12345;
    gltf.samplers[0].wrapT = GL_CLAMP_TO_EDGE;
    gltf.samplers[0].minFilter = GL_NEAREST_MIPMAP_LINEAR;
    gltf.samplers[0].magFilter = GL_LINEAR_MIPMAP_LINEAR;  // not a magnification filter
    gltf.samplers[1].minFilter = 1;
    gltf.images.resize(2);
    gltf.textures[1].source = 1;
    gltf.textures[2].source = 0;

    const TextureSampling missing = texture_sampling(gltf, 0), checked = texture_sampling(gltf, 1);
    EXPECT_EQ(missing.wrap_s, GL_REPEAT);
    EXPECT_EQ(missing.wrap_t, GL_REPEAT);
    EXPECT_EQ(missing.min_filter, GL_LINEAR);
    EXPECT_EQ(texture_sampling(gltf, -1).wrap_s, GL_REPEAT);
    EXPECT_EQ(checked.wrap_s, GL_REPEAT);
    EXPECT_EQ(checked.wrap_t, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(checked.min_filter, GL_NEAREST_MIPMAP_LINEAR);
    EXPECT_EQ(checked.mag_filter, GL_LINEAR);
    EXPECT_EQ(texture_sampling(gltf, 2).min_filter, GL_LINEAR);
    // Only image 1 is sampled with mipmaps.
    EXPECT_EQ(images_needing_mipmaps(gltf), (std::vector<bool>{false, true}));
}

TEST_F(MaterialRenderingTest, TextureTransformTurnsOffsetsAndPicksTheSecondSet) {
    auto model = generated_model("texture_transform.gltf");
    auto program = material_program("texture(uBaseColorTexture, vUv)");
    OrthoView view;
    view.draw(*model, *program);
    EXPECT_NEAR_RGBA(view.at(-0.5f, 0.5f), 0, 0, 255, 255, 0);       // top left: blue
    EXPECT_NEAR_RGBA(view.at(0.5f, 0.5f), 255, 0, 0, 255, 0);        // top right: red
    EXPECT_NEAR_RGBA(view.at(-0.5f, -0.5f), 255, 255, 255, 255, 0);  // bottom left: white
    EXPECT_NEAR_RGBA(view.at(0.5f, -0.5f), 0, 255, 0, 255, 0);       // bottom right: green
}

TEST_F(MaterialRenderingTest, TransformValuesOfTheWrongKindKeepTheirDefaults) {
    tinygltf::Value::Object transform;
    transform["offset"] = tinygltf::Value(tinygltf::Value::Array{tinygltf::Value(1.0)});  // one number, not two
    transform["scale"] = tinygltf::Value(tinygltf::Value::Array{tinygltf::Value(2.0), tinygltf::Value(4)});
    transform["rotation"] = tinygltf::Value(std::string("quarter"));
    transform["texCoord"] = tinygltf::Value(5);
    tinygltf::ExtensionMap extensions;
    extensions["KHR_texture_transform"] = tinygltf::Value(transform);

    const TextureTransform t = texture_transform(1, extensions);
    EXPECT_EQ(t.texcoord, 0);  // set 5 is not supported
    const glm::vec3 corner = t.matrix * glm::vec3(1.0f, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(corner.x, 2.0f);
    EXPECT_FLOAT_EQ(corner.y, 4.0f);
    EXPECT_EQ(texture_transform(1, {}).texcoord, 1);
    EXPECT_EQ(texture_transform(1, {}).matrix, glm::mat3(1.0f));
}

TEST_F(MaterialRenderingTest, TangentsAreGeneratedWithTheirHandedness) {
    auto model = generated_model("normal_map.gltf");
    auto program = material_program("vec4(vTangent.xy * 0.5 + 0.5, vTangent.w * 0.5 + 0.5, 1.0)");
    OrthoView view;
    view.draw(*model, *program);
    EXPECT_NEAR_RGBA(view.at(-0.8f, 0.0f), 255, 128, 255, 255, 1);  // (1, 0, 0), w 1
    EXPECT_NEAR_RGBA(view.at(0.8f, 0.0f), 0, 128, 0, 255, 1);       // (-1, 0, 0), w -1

    // What is not made of triangles, or lacks a float NORMAL, gets none.
    tinygltf::Primitive primitive = model->gltf.meshes[0].primitives[0];
    std::vector<glm::vec4> tangents;
    std::string why;
    ASSERT_TRUE(generate_tangents(model->gltf, primitive, 0, &tangents, &why)) << why;
    EXPECT_EQ(tangents.size(), 6u);
    EXPECT_EQ(normal_texture_set(model->gltf, 0), 0);
    primitive.mode = TINYGLTF_MODE_LINE;
    EXPECT_FALSE(generate_tangents(model->gltf, primitive, 0, &tangents, &why));
    EXPECT_EQ(why, "the primitive is not made of triangles");
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    EXPECT_FALSE(generate_tangents(model->gltf, primitive, 1, &tangents, &why));
    EXPECT_EQ(why, "no TEXCOORD_1");
    primitive.attributes["NORMAL"] = primitive.attributes["TEXCOORD_0"];
    EXPECT_FALSE(generate_tangents(model->gltf, primitive, 0, &tangents, &why));
    EXPECT_EQ(why, "NORMAL is not a float VEC3 accessor");
}

TEST_F(MaterialRenderingTest, TheWholeMaterialReachesTheShader) {
    auto model = generated_model("normal_map.gltf");
    OrthoView view;
    // Normal scale 0.5, occlusion strength 0.75, cutoff 0.25.
    auto scalars = material_program("vec4(uNormalScale, uOcclusionStrength, uAlphaCutoff, 1.0)");
    view.draw(*model, *scalars);
    EXPECT_NEAR_RGBA(view.at(-0.8f, 0.0f), 128, 191, 64, 255, 1);
    // Emissive green 0.5 at strength 2, MASK (1), normal and occlusion
    // textures present but no base colour texture: (1 + 2) / 8.
    auto flags = material_program(
        "vec4(uEmissiveFactor.g * uEmissiveStrength * 0.5, float(uAlphaMode) * 0.25, float(uHasNormalTexture + 2 * "
        "uHasOcclusionTexture + 4 * uHasBaseColorTexture) / 8.0, min(texture(uNormalTexture, vUv).a, "
        "texture(uOcclusionTexture, vUv).a))");
    view.draw(*model, *flags);
    EXPECT_NEAR_RGBA(view.at(0.8f, 0.0f), 128, 64, 96, 255, 1);
    EXPECT_EQ(bound_texture(5), model->image_textures[0]->texture);
    EXPECT_EQ(bound_texture(6), model->image_textures[0]->texture);
}

TEST_F(MaterialRenderingTest, BlendedPrimitivesBlendAndHideNothingDrawnAfterThem) {
    auto model = generated_model("alpha_blend.gltf");
    auto program = material_program("uBaseColorFactor");
    OrthoView view;
    view.draw(*model, *program);
    EXPECT_NEAR_RGBA(view.at(0.0f, 0.0f), 0, 0, 255, 255, 0);  // the blue quad drew behind the blended one
    const auto over = view.at(3.0f - 0.25f, 0.0f);
    EXPECT_NEAR(over[0], 128, 1);
    EXPECT_NEAR(over[2], 128, 1);
    // The state is back: depth writes on, blending as it was (off here).
    GLboolean depth_writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
    EXPECT_EQ(depth_writes, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace quillbarrow
