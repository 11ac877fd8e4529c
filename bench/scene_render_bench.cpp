// CPU cost of one scene render call: the Box sample, three instances, drawn
// into a 64 x 36 window so that llvmpipe's pixel work stays small. The
// driver finishes the queued work outside the timed region, so the figure
// is the renderer's own walk, uniform uploads and draw submissions.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <GL/glew.h>

#include "bench_gl_session.h"
#include "player/player_state.h"
#include "render/shader_program.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "serialization/byte_buffer.h"

namespace quillbarrow {

namespace {

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
uniform mat4 uModelViewProjMatrix;
uniform mat4 uModelViewMatrix;
uniform mat4 uNormalMatrix;
uniform mat4 uModelMatrix;
uniform mat4 uLightMVPMatrix;
uniform int uInstance;
uniform int uTag;
out vec4 vLight;
void main() {
    vec4 p = vec4(aPosition + vec3(2.0 * float(uInstance + uTag), 0.0, 0.0), 1.0);
    vLight = uLightMVPMatrix * uModelMatrix * p + uModelViewMatrix * p + uNormalMatrix * p;
    gl_Position = uModelViewProjMatrix * p;
}
)";

const char* kFragmentShader = R"(#version 330 core
uniform vec4 uBaseColorFactor;
uniform sampler2D uBaseColorTexture;
uniform sampler2D uMetallicRoughnessTexture;
uniform float uMetallicFactor;
uniform float uRougnessFactor;
uniform sampler2D uShadowMapTexture;
in vec4 vLight;
out vec4 color;
void main() {
    color = uBaseColorFactor * texture(uBaseColorTexture, vec2(0.5)) +
            0.001 * (texture(uShadowMapTexture, vLight.xy).r + uMetallicFactor * uRougnessFactor *
                     texture(uMetallicRoughnessTexture, vec2(0.5)));
}
)";

std::unique_ptr<Model> box_model() {
    std::ifstream in(std::string(QB_SOURCE_DIR) + "/tests/data/gltf/Box.glb", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    JsonValue value = JsonValue::object();
    value["filename"] = "Box.glb";
    value["buffer"] = base64_encode(bytes);
    return std::make_unique<Model>(value);
}

void BM_SceneRender_Box_3Instances(benchmark::State& state) {
    if (!bench_gl_session(state)) return;
    auto model = box_model();
    const JsonValue entry = JsonValue::parse(R"({"name": "bench", "root_node": {"name": "root", "model": "Box.glb"},
        "camera": {"position": [2.0, 0.0, 8.0], "direction": [2.0, 0.0, 0.0], "up": [0.0, 1.0, 0.0],
                   "aspect": 1.7777, "fov": 45.0, "znear": 0.5, "zfar": 50.0}})");
    Scene scene(entry);
    scene.link_by_name(entry, {{"Box.glb", model.get()}}, {});

    ShaderProgram program;
    program.vertex_shader_source = kVertexShader;
    program.fragment_shader_source = kFragmentShader;
    program.rebuild();
    program.shadow_map_unit = GL_TEXTURE0 + 1;
    program.base_color_unit = GL_TEXTURE0 + 2;
    program.metallic_roughness_unit = GL_TEXTURE0 + 3;
    program.emissive_unit = GL_TEXTURE0 + 4;
    glUseProgram(program.program_id);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 64, 36);

    instance_count = 3;
    for (auto _ : state) {
        scene.render(&program);
        state.PauseTiming();
        glFinish();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        state.ResumeTiming();
    }
    instance_count = 1;
    glUseProgram(0);
    state.counters["instances"] = 3;
}

}  // namespace

BENCHMARK(BM_SceneRender_Box_3Instances);

}  // namespace quillbarrow
