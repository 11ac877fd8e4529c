#include <gtest/gtest.h>

#include <vector>

#include "document/texture.h"
#include "render/effect.h"
#include "scene/scene.h"
#include "render_test_support.h"

namespace quillbarrow {

namespace {

class EffectTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        set_display_size(64, 64);
        current_beat = 0.0f;
    }
};

const char kSolidBody[] = "uniform vec4 color;\n"
                          "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = color; }\n";

std::unique_ptr<ShaderProgram> solid_program(float r, float g, float b) {
    auto program = dialect_program("", kSolidBody);
    glUseProgram(program->program_id);
    glUniform4f(glGetUniformLocation(program->program_id, "color"), r, g, b, 1.0f);
    return program;
}

// A 2 x 2 texture of one colour.
std::unique_ptr<Texture> solid_texture(unsigned char r, unsigned char g, unsigned char b) {
    auto texture = std::make_unique<Texture>(2, 2);
    std::vector<unsigned char> pixels(16);
    for (int i = 0; i < 4; ++i) {
        pixels[i * 4] = r;
        pixels[i * 4 + 1] = g;
        pixels[i * 4 + 2] = b;
        pixels[i * 4 + 3] = 255;
    }
    glBindTexture(GL_TEXTURE_2D, texture->texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return texture;
}

const char kSampleBody[] =
    "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = texture(tex, vec2(0.5)); }\n";

}  // namespace

TEST_F(EffectTest, BuiltinUniformsReachTheShader) {
    auto program = dialect_program("uniform vec2 iTime2;\n",
                                   "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
                                   "  fragColor = vec4(beat / 10.0, resolution.x / 255.0, resolution.y / 255.0,"
                                   " iTime2.y);\n}\n");
    set_display_size(100, 50);
    TestTarget target(100, 50);
    Effect effect("beat", program.get(), nullptr, nullptr, false, false, nullptr);
    current_beat = 2.75f;
    target.clear(0, 0, 0, 0);
    glDisable(GL_BLEND);
    effect.render({}, false);
    EXPECT_NEAR_RGBA(target.pixel(10, 10), 70, 100, 50, 191, 2);
    current_beat = 5.0f;
    effect.render({}, false);
    EXPECT_NEAR_RGBA(target.pixel(90, 40), 128, 100, 50, 0, 2);
}

TEST_F(EffectTest, TheHookRunsAfterTheBuiltins) {
    auto program = dialect_program(
        "uniform float glow;\n",
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = vec4(glow, beat, 0, 1); }\n");
    TestTarget target(64, 64);
    Effect effect("hooked", program.get(), nullptr, nullptr, false, false, nullptr);
    int calls = 0;
    program_hook hook = [&](ShaderProgram* given) {
        EXPECT_EQ(given, nullptr);
        ++calls;
        glUniform1f(glGetUniformLocation(program->program_id, "glow"), 1.0f);
    };
    current_beat = 0.5f;
    glDisable(GL_BLEND);
    target.bind();  // setting up the effect left framebuffer 0 bound
    effect.render(hook, false);
    EXPECT_EQ(calls, 1);
    EXPECT_NEAR_RGBA(target.pixel(5, 5), 255, 128, 0, 255, 2);
}

TEST_F(EffectTest, FeedbackTakesUnitZeroBeforeTextures) {
    auto program = dialect_program("", kSampleBody);
    auto first = solid_texture(255, 0, 0), second = solid_texture(0, 255, 0);
    Effect effect("feedback", program.get(), first.get(), nullptr, true, false, nullptr);
    effect.textures.push_back(second.get());
    int units = effect.bind_inputs(program.get(), false);
    EXPECT_EQ(units, 3);
    ASSERT_NE(effect.capture_texture, 0u);
    EXPECT_EQ(bound_texture(0), effect.capture_texture);
    EXPECT_EQ(bound_texture(1), first->texture);
    EXPECT_EQ(bound_texture(2), second->texture);
    effect.unbind_texture_units(units);
    EXPECT_EQ(bound_texture(0), 0u);
    EXPECT_EQ(bound_texture(2), 0u);
}

TEST_F(EffectTest, ScreenTextureFollowsTheOtherInputs) {
    auto program = dialect_program("", kSampleBody);
    auto texture = solid_texture(0, 0, 255);
    Effect effect("screen", program.get(), texture.get(), nullptr, false, true, nullptr);
    int units = effect.bind_inputs(program.get(), false);
    EXPECT_EQ(units, 2);
    EXPECT_EQ(bound_texture(0), texture->texture);
    EXPECT_EQ(bound_texture(1), effect.capture_texture);
    ASSERT_NE(effect.capture_buffer, nullptr);
    EXPECT_EQ(effect.capture_buffer->width, 64);
    EXPECT_EQ(effect.capture_buffer->size, 64 * 64 * 4);
    effect.unbind_texture_units(units);
}

TEST_F(EffectTest, CaptureTargetFollowsTheViewportSize) {
    auto program = dialect_program("", kSampleBody);
    Effect effect("capture", program.get(), nullptr, nullptr, false, false, nullptr);
    effect.ensure_capture_target();
    unsigned int first_texture = effect.capture_texture;
    effect.ensure_capture_target();
    EXPECT_EQ(effect.capture_texture, first_texture);  // nothing changes at the same size
    set_display_size(32, 16);
    effect.ensure_capture_target();
    EXPECT_EQ(effect.capture_buffer->width, 32);
    EXPECT_EQ(effect.capture_buffer->height, 16);
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, effect.capture_texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 32);
}

TEST_F(EffectTest, InputEffectDrawsIntoItsOwnFramebufferAndIsReadAfterTextures) {
    // B paints green into its framebuffer; A shows tex1, B's output, since
    // tex holds A's own texture.
    auto green = solid_program(0, 1, 0);
    Effect input("green", green.get(), nullptr, nullptr, false, false, nullptr);
    auto program =
        dialect_program("uniform sampler2D tex1;\n", "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
                                                     "  fragColor = texture(tex1, fragCoord / resolution); }\n");
    auto texture = solid_texture(255, 0, 0);
    Effect effect("shows input", program.get(), texture.get(), &input, false, false, nullptr);

    TestTarget target(64, 64);
    target.clear(0, 0, 0, 1);
    glDisable(GL_BLEND);
    // Drawing inputs binds framebuffer 0 afterwards; draw the input first,
    // then the effect into the test target.
    effect.bind_inputs(program.get(), true);
    target.bind();
    effect.render({}, false);
    EXPECT_NEAR_RGBA(target.pixel(32, 32), 0, 255, 0, 255, 2);
    EXPECT_EQ(bound_texture(1), 0u);  // unbound after the draw

    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, input.framebuffer_texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 64);
}

TEST_F(EffectTest, WithoutAProgramNothingIsDrawn) {
    Effect effect("empty", nullptr, nullptr, nullptr, false, false, nullptr);
    TestTarget target(64, 64);
    target.clear(0.2f, 0.4f, 0.6f, 1.0f);
    effect.render({}, true);
    EXPECT_NEAR_RGBA(target.pixel(1, 1), 51, 102, 153, 255, 1);
    EXPECT_EQ(effect.framebuffer, 0u);
}

TEST_F(EffectTest, ResetSendsDefaults) {
    auto program =
        dialect_program("uniform float glow;\n",
                        "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = vec4(glow, 0, 0, 1); }\n");
    JsonValue def = JsonValue::object();
    def["name"] = "glow";
    def["default_val"] = 0.5;
    program->uniform_defs.push_back(std::make_unique<UniformDef>(def));
    program->rebuild();
    glUseProgram(program->program_id);
    glUniform1f(program->uniform_defs[0]->location, 1.0f);
    Effect effect("reset", program.get(), nullptr, nullptr, false, false, nullptr);
    effect.reset_user_uniforms(nullptr);
    float value = 0;
    glGetUniformfv(program->program_id, program->uniform_defs[0]->location, &value);
    EXPECT_EQ(value, 0.5f);
}

TEST_F(EffectTest, JsonAndBinaryFormsKeepReferences) {
    auto program = dialect_program("", kSampleBody, "effect.frag");
    auto texture = solid_texture(1, 2, 3);
    texture->name = "image.png";
    Effect input("input", program.get(), nullptr, nullptr, false, false, nullptr);

    JsonValue value = JsonValue::object();
    value["name"] = "main";
    value["textures"][0] = "image.png";
    value["textures"][1] = "no such image";
    value["effects"][0] = "input";
    value["font_textures"] = JsonValue::array();
    value["program"] = "effect.frag";
    value["feedback"] = true;
    value["screen_texture"] = false;
    Effect effect(value);
    NameMap<Effect> effects = {{"input", &input}};
    NameMap<Texture> textures = {{"image.png", texture.get()}};
    NameMap<ShaderProgram> programs = {{"effect.frag", program.get()}};
    effect.link_references(value, effects, textures, programs, {}, {});
    ASSERT_EQ(effect.textures.size(), 1u);  // the missing name is skipped when drawing
    EXPECT_EQ(effect.program, program.get());
    EXPECT_NE(effect.framebuffer, 0u);
    EXPECT_EQ(effect.to_json(false), value);  // and kept when writing back

    std::unordered_map<const void*, std::uint64_t> keys = {{texture.get(), 5}, {&input, 6}, {program.get(), 7}};
    BinaryWriter out;
    out.set_key_table(&keys);
    effect.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    Effect back(in);
    EXPECT_EQ(in.remaining(), 0u);
    ObjectMap objects = {{5, texture.get()}, {6, &input}, {7, program.get()}};
    back.resolve_references(objects);
    EXPECT_EQ(back.name, "main");
    EXPECT_TRUE(back.feedback);
    ASSERT_EQ(back.textures.size(), 1u);
    EXPECT_EQ(back.textures[0], texture.get());
    ASSERT_EQ(back.effects.size(), 1u);
    EXPECT_EQ(back.effects[0], &input);
    EXPECT_EQ(back.program, program.get());
    EXPECT_EQ(back.scene, nullptr);
    EXPECT_FALSE(back.to_json(false).has("scene"));
}

TEST_F(EffectTest, SceneIsDrawnTwiceShadowPassFirst) {
    auto program =
        dialect_program("uniform int uIsShadowRenderPass;\n", "void mainImage(out vec4 fragColor, in vec2 fragCoord) {"
                                                              " fragColor = vec4(float(uIsShadowRenderPass)); }\n");
    ASSERT_NE(program->is_shadow_render_pass_location, -1);
    JsonValue json = JsonValue::object();
    json["name"] = "stage";
    Scene scene(json);
    auto texture = solid_texture(9, 9, 9);
    Effect effect("scene", program.get(), texture.get(), nullptr, false, false, &scene);
    TestTarget target(64, 64);

    // What each pass finds when the hook runs, just before the scene draws.
    struct Pass {
        GLint framebuffer, width, height, pass_uniform;
        unsigned int unit0;
    };
    std::vector<Pass> passes;
    effect.render(
        [&](ShaderProgram*) {
            Pass p{0, 0, 0, -1, bound_texture(0)};
            GLint viewport[4] = {};
            glGetIntegerv(GL_FRAMEBUFFER_BINDING, &p.framebuffer);
            glGetIntegerv(GL_VIEWPORT, viewport);
            p.width = viewport[2];
            p.height = viewport[3];
            glGetUniformiv(program->program_id, program->is_shadow_render_pass_location, &p.pass_uniform);
            passes.push_back(p);
        },
        false);

    ASSERT_EQ(passes.size(), 2u);  // the hook runs in both passes
    EXPECT_EQ(passes[0].framebuffer, static_cast<GLint>(scene.shadow_framebuffer));
    EXPECT_EQ(passes[0].width, 8192);
    EXPECT_EQ(passes[0].height, 8192);
    EXPECT_EQ(passes[0].pass_uniform, 1);
    EXPECT_EQ(passes[1].width, 64);  // the target's framebuffer and viewport are back
    EXPECT_EQ(passes[1].pass_uniform, 0);
    EXPECT_EQ(passes[1].unit0, texture->texture);
    EXPECT_FALSE(scene.shadow_pass);
    // The scene's units follow the effect's texture: shadow map, then three for materials.
    EXPECT_EQ(program->shadow_map_unit, GL_TEXTURE0 + 1);
    EXPECT_EQ(program->base_color_unit, GL_TEXTURE0 + 2);
    EXPECT_EQ(program->metallic_roughness_unit, GL_TEXTURE0 + 3);
    EXPECT_EQ(program->emissive_unit, GL_TEXTURE0 + 4);
    EXPECT_EQ(program->normal_unit, GL_TEXTURE0 + 5);
    EXPECT_EQ(program->occlusion_unit, GL_TEXTURE0 + 6);
}

TEST_F(EffectTest, SetUpAgainKeepsItsObjectsAndFollowsTheRebuiltProgram) {
    auto program = dialect_program("", kSolidBody);
    Effect effect("again", program.get(), nullptr, nullptr, false, false, nullptr);
    const unsigned int quad = effect.quad_vertex_array, target = effect.framebuffer,
                       target_texture = effect.framebuffer_texture;
    program->rebuild();
    effect.setup_gpu_objects();
    EXPECT_EQ(effect.quad_vertex_array, quad);
    EXPECT_EQ(effect.framebuffer, target);
    EXPECT_EQ(effect.framebuffer_texture, target_texture);
    GLint enabled = 0;
    glBindVertexArray(quad);
    glGetVertexAttribiv(static_cast<GLuint>(program->vp_location), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 1);
}

TEST_F(EffectTest, AnInputWithoutAProgramLeavesTheTargetAlone) {
    auto program = dialect_program("", kSampleBody);
    Effect empty("empty", nullptr, nullptr, nullptr, false, false, nullptr);
    Effect effect("reads", program.get(), nullptr, &empty, false, false, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 64, 64);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    int units = effect.bind_inputs(program.get(), true);
    unsigned char rgba[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    EXPECT_EQ(rgba[1], 255);  // still green: nothing cleared the window
    effect.unbind_texture_units(units);
}

TEST_F(EffectTest, ScreenCapturesHoldExactlyTheBackBuffersTexels) {
    // A pattern of many values in every channel, drawn into the back buffer.
    auto pattern = dialect_program("", "void mainImage(out vec4 fragColor, in vec2 fragCoord) {"
                                       " fragColor = vec4(fract(fragCoord.x * 0.137), fract(fragCoord.y * 0.071),"
                                       " fract((fragCoord.x + fragCoord.y) * 0.053), 1.0); }\n");
    Effect painter("pattern", pattern.get(), nullptr, nullptr, false, false, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 64, 64);
    glDisable(GL_BLEND);
    painter.render({}, false);
    std::vector<unsigned char> screen(64 * 64 * 4), captured(64 * 64 * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 64, 64, GL_RGBA, GL_UNSIGNED_BYTE, screen.data());

    Effect capturer("capture", pattern.get(), nullptr, nullptr, false, true, nullptr);
    capturer.capture_screen();
    glBindTexture(GL_TEXTURE_2D, capturer.capture_texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, captured.data());
    glEnable(GL_BLEND);
    EXPECT_EQ(captured, screen);
}

}  // namespace quillbarrow
