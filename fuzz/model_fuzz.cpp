// glTF bytes from arbitrary input, loaded as a model both as a binary asset
// and as text, animated at a few phases and drawn once, both passes, into a
// tiny framebuffer: parse failures are reported, never a crash or a read out
// of range, in loading or in drawing.
#include <cstdint>
#include <stdexcept>

#include <GL/glew.h>

#include "fuzz_gl_session.h"
#include "player/player_state.h"
#include "scene/model.h"
#include "scene/scene.h"

using namespace quillbarrow;

namespace {

// Reads every attribute the model renderer binds, so that each enabled one
// is fetched for every vertex drawn.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTexcoord;
layout(location = 3) in uvec4 aJoints;
layout(location = 4) in vec4 aWeights;
uniform mat4 uModelViewProjMatrix;
void main() {
    vec3 rest = aNormal + vec3(aTexcoord, 0.0) + vec3(aJoints.xyz) + aWeights.xyz;
    gl_Position = uModelViewProjMatrix * vec4(aPosition + 1e-9 * rest, 1.0);
}
)";
const char* kFragmentShader = "#version 330 core\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n";

constexpr int kTargetSize = 4;

ShaderProgram& draw_program() {
    static ShaderProgram* program = [] {
        auto* p = new ShaderProgram();
        p->vertex_shader_source = kVertexShader;
        p->fragment_shader_source = kFragmentShader;
        p->rebuild();
        if (p->build_log != "Compilation successful.") std::abort();
        p->shadow_map_unit = GL_TEXTURE0 + 1;
        p->base_color_unit = GL_TEXTURE0 + 2;
        p->metallic_roughness_unit = GL_TEXTURE0 + 3;
        p->emissive_unit = GL_TEXTURE0 + 4;
        return p;
    }();
    return *program;
}

// A colour and depth target of kTargetSize square, made once.
unsigned int tiny_framebuffer() {
    static unsigned int framebuffer = [] {
        unsigned int fb = 0, buffers[2] = {};
        glGenFramebuffers(1, &fb);
        glGenRenderbuffers(2, buffers);
        glBindFramebuffer(GL_FRAMEBUFFER, fb);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kTargetSize, kTargetSize);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, kTargetSize, kTargetSize);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return fb;
    }();
    return framebuffer;
}

// Both passes, as an effect draws a scene showing the model.
void draw_once(Model& model) {
    const JsonValue entry = JsonValue::parse(R"({"name": "fuzz", "root_node": {"name": "root", "model": "m"},
        "camera": {"position": [0.0, 1.0, 4.0], "direction": [0.0, 0.0, 0.0], "up": [0.0, 1.0, 0.0],
                   "aspect": 1.0, "fov": 60.0, "znear": 0.1, "zfar": 100.0}})");
    Scene scene(entry);
    scene.link_by_name(entry, {{"m", &model}}, {});
    scene.shadow_map_width = scene.shadow_map_height = kTargetSize;
    ShaderProgram& program = draw_program();
    instance_count = 1;

    const Scene::ShadowTargetUse shadow_target(scene);
    glUseProgram(program.program_id);
    glBindFramebuffer(GL_FRAMEBUFFER, scene.shadow_framebuffer);
    glViewport(0, 0, kTargetSize, kTargetSize);
    glClear(GL_DEPTH_BUFFER_BIT);
    scene.shadow_pass = true;
    scene.render(&program);
    scene.shadow_pass = false;

    glBindFramebuffer(GL_FRAMEBUFFER, tiny_framebuffer());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.render(&program);
    glFinish();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindVertexArray(0);
    glUseProgram(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_gl_session();
    for (const char* name : {"fuzz.glb", "fuzz.gltf"}) {
        try {
            JsonValue value = JsonValue::object();
            value["filename"] = name;
            value["buffer"] = base64_encode(std::string_view(reinterpret_cast<const char*>(data), size));
            Model model(value);
            for (float phase : {0.0f, 0.37f, 1.0f}) model.animate(3, phase);
            draw_once(model);
        } catch (const std::exception&) {}
    }
    return 0;
}
