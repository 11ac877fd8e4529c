#include "render/effect.h"

#include <cstdio>

#include <GL/glew.h>

#include "player/audio_analysis.h"
#include "document/font_texture.h"
#include "document/texture.h"
#include "player/diagnostics.h"
#include "player/player_state.h"
#include "render/shader_program.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "scene/skeleton.h"
#include "scene/skin.h"

namespace quillbarrow {

namespace {

// Room for 100 joint matrices.
constexpr GLsizeiptr kJointBlockBytes = 6400;

const float kQuad[18] = {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, 1, 0, 1, -1, 0, -1, -1, 0};

// Process-wide camera values sent to every effect; nothing changes them.
const float kCameraPosition[3] = {0, 0, 0};
const float kCameraRotation[3] = {0, 0, 0};

void bind_next(int& unit, unsigned int texture) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    ++unit;
}

template <class T>
void link_names(const JsonValue& names, const NameMap<T>& map, std::vector<T*>& list,
                std::vector<std::string>& missing) {
    for (const auto& entry : names.elements()) {
        if (T* found = resolve_name(map, entry.as_string()))
            list.push_back(found);
        else
            missing.push_back(entry.as_string());
    }
}

template <class T>
void resolve_keys(const std::vector<std::uint64_t>& keys, const ObjectMap& objects, std::vector<T*>& list,
                  std::vector<std::string>& missing, const char* kind) {
    for (std::uint64_t key : keys) {
        if (T* found = resolve_key<T>(objects, key))
            list.push_back(found);
        else
            missing.push_back(std::string(kind) + " key " + std::to_string(key));
    }
}

template <class T>
JsonValue name_array(const std::vector<T*>& list, const std::vector<std::string>& missing) {
    JsonValue names = JsonValue::array();
    for (const T* item : list) names.push_back(item->name);
    for (const auto& name : missing) names.push_back(name);
    return names;
}

GlTexture create_capture_texture(const Buffer& buffer) {
    return GlTexture(create_gl_texture(buffer.width, buffer.height, buffer.data.get(), GL_CLAMP_TO_EDGE));
}

}  // namespace

Buffer::Buffer(int w, int h)
    : data(std::make_unique<unsigned char[]>(static_cast<std::size_t>(w) * h * 4)), size(h * w * 4), width(w),
      height(h) {}

Effect::Effect(const JsonValue& value) { from_json(value); }

Effect::Effect(BinaryReader& in) { read(in); }

Effect::Effect(std::string effect_name, ShaderProgram* effect_program, Texture* texture, Effect* input,
               bool with_feedback, bool with_screen_texture, Scene* effect_scene)
    : program(effect_program), scene(effect_scene), name(std::move(effect_name)), feedback(with_feedback),
      screen_texture(with_screen_texture) {
    if (texture) textures.push_back(texture);
    if (input) effects.push_back(input);
    if (program) setup_gpu_objects();
}

JsonValue Effect::to_json(bool) const {
    JsonValue v = JsonValue::object();
    v["name"] = name;
    v["textures"] = name_array(textures, unresolved.textures);
    v["effects"] = name_array(effects, unresolved.effects);
    v["font_textures"] = name_array(font_textures, unresolved.font_textures);
    v["program"] = program ? program->fragment_shader_filename : unresolved.program;
    v["feedback"] = feedback;
    v["screen_texture"] = screen_texture;
    if (scene)
        v["scene"] = scene->name;
    else if (!unresolved.scene.empty())
        v["scene"] = unresolved.scene;
    return v;
}

void Effect::write(BinaryWriter& out) const {
    out.write_count(textures.size());
    for (const Texture* t : textures) out.write_reference(t);
    out.write_count(effects.size());
    for (const Effect* e : effects) out.write_reference(e);
    out.write_count(font_textures.size());
    for (const FontTexture* f : font_textures) out.write_reference(f);
    out.write_reference(program);
    out.write_string(name);
    out.write_bool(feedback);
    out.write_bool(screen_texture);
    out.write_reference(scene);
}

void Effect::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    feedback = value["feedback"].as_bool();
    screen_texture = value.has("screen_texture") && value["screen_texture"].as_bool();
}

void Effect::read(BinaryReader& in) {
    auto read_keys = [&](std::vector<std::uint64_t>& keys, const char* count_field, const char* key_field) {
        std::uint64_t count = in.read_count(count_field, 8);
        keys.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) keys.push_back(in.read_key(key_field));
    };
    read_keys(keys_.textures, "effect texture count", "effect texture key");
    read_keys(keys_.effects, "effect input count", "effect input key");
    read_keys(keys_.font_textures, "effect font texture count", "effect font texture key");
    keys_.program = in.read_key("effect program key");
    name = in.read_string("effect name");
    feedback = in.read_bool("effect feedback");
    screen_texture = in.read_bool("effect screen texture");
    keys_.scene = in.read_key("effect scene key");
}

void Effect::link_references(const JsonValue& value, const NameMap<Effect>& effect_map,
                             const NameMap<Texture>& texture_map, const NameMap<ShaderProgram>& program_map,
                             const NameMap<FontTexture>& font_texture_map, const NameMap<Scene>& scene_map) {
    link_names(value["effects"], effect_map, effects, unresolved.effects);
    link_names(value["textures"], texture_map, textures, unresolved.textures);
    if (value.has("font_textures"))
        link_names(value["font_textures"], font_texture_map, font_textures, unresolved.font_textures);
    if (value.has("scene")) {
        scene = resolve_name(scene_map, value["scene"].as_string());
        if (!scene) unresolved.scene = value["scene"].as_string();
    }
    const std::string& program_name = value["program"].as_string();
    program = resolve_name(program_map, program_name);
    if (!program) unresolved.program = program_name;
    report_unresolved();
    setup_gpu_objects();
}

void Effect::resolve_references(const ObjectMap& objects) {
    resolve_keys(keys_.effects, objects, effects, unresolved.effects, "effect");
    resolve_keys(keys_.textures, objects, textures, unresolved.textures, "texture");
    resolve_keys(keys_.font_textures, objects, font_textures, unresolved.font_textures, "font texture");
    if (keys_.scene != 0) {
        scene = resolve_key<Scene>(objects, keys_.scene);
        if (!scene) unresolved.scene = "scene key " + std::to_string(keys_.scene);
    }
    program = resolve_key<ShaderProgram>(objects, keys_.program);
    if (!program) unresolved.program = "program key " + std::to_string(keys_.program);
    keys_ = Keys{};
    report_unresolved();
    setup_gpu_objects();
}

void Effect::report_unresolved() const {
    std::string missing;
    auto add = [&](const char* kind, const std::string& what) {
        missing += std::string(missing.empty() ? "" : ", ") + kind + " \"" + what + "\"";
    };
    for (const auto& n : unresolved.textures) add("texture", n);
    for (const auto& n : unresolved.effects) add("input effect", n);
    for (const auto& n : unresolved.font_textures) add("font texture", n);
    if (!unresolved.scene.empty()) add("scene", unresolved.scene);
    if (!program) add("program", unresolved.program);
    if (!missing.empty())
        report_notice(format_message("Effect \"%s\": missing %s; %s", name.c_str(), missing.c_str(),
                                     program ? "drawn without them" : "it draws nothing"));
}

void Effect::setup_gpu_objects() {
    if (!program) return;
    // The document sets every effect up again after its programs are
    // rebuilt: the quad's attribute follows the program's new "vp", but the
    // quad and the window-sized target are made once, not leaked each time.
    if (quad_vertex_array == 0) {
        quad_vertex_array = GlVertexArray::generate();
        glBindVertexArray(quad_vertex_array);
        quad_vertex_buffer = GlBuffer::generate();
        glBindBuffer(GL_ARRAY_BUFFER, quad_vertex_buffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof kQuad, kQuad, GL_STATIC_DRAW);
    } else {
        glBindVertexArray(quad_vertex_array);
        glBindBuffer(GL_ARRAY_BUFFER, quad_vertex_buffer);
        if (quad_attribute_location_ >= 0 && quad_attribute_location_ != program->vp_location)
            glDisableVertexAttribArray(static_cast<GLuint>(quad_attribute_location_));
    }
    // A program without "vp" has location -1; GL would refuse the calls.
    quad_attribute_location_ = program->vp_location;
    if (program->vp_location >= 0) {
        glEnableVertexAttribArray(static_cast<GLuint>(program->vp_location));
        glVertexAttribPointer(static_cast<GLuint>(program->vp_location), 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    if (framebuffer != 0) return;

    framebuffer = GlFramebuffer::generate();
    framebuffer_texture = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, framebuffer_texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, display_size.viewport_width, display_size.viewport_height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, framebuffer_texture, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) report_notice(format_message("FB Error! Status: 0x%x", status));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void Effect::render(const program_hook& hook, bool render_inputs) {
    if (!program) return;
    if (scene) {
        draw_scene(hook, render_inputs);
        return;
    }
    int units = bind_inputs(program, render_inputs);
    set_builtin_uniforms(program);
    if (hook) hook(nullptr);
    glBindVertexArray(quad_vertex_array);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    unbind_texture_units(units);
}

void Effect::draw_scene(const program_hook& hook, bool render_inputs) {
    // Held until the visible pass has read the map that the shadow pass draws.
    const Scene::ShadowTargetUse shadow_target(*scene);
    GLint previous_framebuffer = 0;
    GLint previous_viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous_framebuffer);
    glGetIntegerv(GL_VIEWPORT, previous_viewport);

    glBindFramebuffer(GL_FRAMEBUFFER, scene->shadow_framebuffer);
    glViewport(0, 0, static_cast<GLsizei>(scene->shadow_map_width), static_cast<GLsizei>(scene->shadow_map_height));
    glClear(GL_DEPTH_BUFFER_BIT);
    int units = bind_inputs(program, false);
    set_builtin_uniforms(program);
    if (program->is_shadow_render_pass_location != -1) glUniform1i(program->is_shadow_render_pass_location, 1);
    if (hook) hook(nullptr);
    scene->shadow_pass = true;
    scene->render(program);
    scene->shadow_pass = false;
    unbind_texture_units(units);

    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous_framebuffer));
    glViewport(previous_viewport[0], previous_viewport[1], previous_viewport[2], previous_viewport[3]);

    units = bind_inputs(program, render_inputs);
    set_builtin_uniforms(program);
    if (program->is_shadow_render_pass_location != -1) glUniform1i(program->is_shadow_render_pass_location, 0);
    if (hook) hook(nullptr);
    scene->render(program);
    unbind_texture_units(units);
}

int Effect::bind_inputs(ShaderProgram* with, bool render_inputs) {
    if (render_inputs) {
        for (Effect* input : effects) {
            // An input without a program has no target: clearing "its"
            // framebuffer would clear the window mid-frame.
            if (!input->program) continue;
            glBindFramebuffer(GL_FRAMEBUFFER, input->framebuffer);
            glViewport(0, 0, display_size.render_width, display_size.render_height);
            glClear(GL_COLOR_BUFFER_BIT);
            input->render({}, false);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glViewport(0, 0, display_size.viewport_width, display_size.viewport_height);
        }
    }
    if (feedback) ensure_capture_target();
    glUseProgram(with->program_id);

    int unit = 0;
    if (feedback) bind_next(unit, capture_texture);
    for (const Texture* t : textures) bind_next(unit, t->texture);
    for (const FontTexture* f : font_textures) bind_next(unit, f->texture);
    for (const Effect* input : effects) bind_next(unit, input->framebuffer_texture);
    if (screen_texture) {
        glActiveTexture(GL_TEXTURE0 + unit);
        capture_screen();
        ++unit;
    }
    if (scene) {
        with->shadow_map_unit = GL_TEXTURE0 + unit;
        bind_next(unit, scene->shadow_map);
        int* scene_units[5] = {&with->base_color_unit, &with->metallic_roughness_unit, &with->emissive_unit,
                               &with->normal_unit, &with->occlusion_unit};
        for (int* slot : scene_units) {
            *slot = GL_TEXTURE0 + unit;
            bind_next(unit, 0);
        }
        upload_joint_matrices();
    }
    return unit;
}

void Effect::upload_joint_matrices() {
    Model* model = scene->root_node ? scene->root_node->model : nullptr;
    if (!model || !model->skeleton) return;
    const auto& matrices = model->skeleton->joint_matrices;
    glGetError();
    glBindBuffer(GL_UNIFORM_BUFFER, model->joint_buffer);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, model->joint_buffer);
    glBufferData(GL_UNIFORM_BUFFER, kJointBlockBytes, nullptr, GL_DYNAMIC_DRAW);
    // A skin with more joints than the block holds is drawn with the first
    // ones.
    const std::size_t count = std::min(matrices.size(), Animation::kJointBlockMatrices);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(count * sizeof(glm::mat4)), matrices.data());
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) report_notice(format_message("Error: %u", error));
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

void Effect::set_builtin_uniforms(ShaderProgram* with) {
    ShaderProgram* p = with ? with : program;
    if (!p) return;
    const float beat = current_beat;
    if (p->beat_location != -1) glUniform1f(p->beat_location, beat);
    if (p->itime2_location != -1)
        glUniform2f(p->itime2_location, beat, beat - static_cast<float>(static_cast<std::int32_t>(beat)));
    if (p->sound_location != -1) glUniform1i(p->sound_location, audio_level());
    if (p->sound_texture_location != -1) glUniform1i(p->sound_texture_location, 16);
    for (int n = 0; n < 16; ++n)
        if (p->sampler_locations[n] != -1) glUniform1i(p->sampler_locations[n], n);
    if (p->resolution_location != -1)
        glUniform2f(p->resolution_location, static_cast<float>(display_size.viewport_width),
                    static_cast<float>(display_size.viewport_height));
    if (p->camera_position_location != -1) glUniform3fv(p->camera_position_location, 1, kCameraPosition);
    if (p->camera_rotation_location != -1) glUniform3fv(p->camera_rotation_location, 1, kCameraRotation);
}

void Effect::unbind_texture_units(int count) {
    for (int i = 0; i < count; ++i) {
        glActiveTexture(GL_TEXTURE0 + i);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

void Effect::reset_user_uniforms(ShaderProgram* with) {
    ShaderProgram* p = with ? with : program;
    if (!p) return;
    glUseProgram(p->program_id);
    for (const auto& def : p->uniform_defs)
        if (def->location != -1) glUniform1f(def->location, def->default_val);
}

void Effect::ensure_capture_target() {
    const int w = display_size.viewport_width, h = display_size.viewport_height;
    if (capture_buffer && (capture_buffer->width != w || capture_buffer->height != h)) {
        capture_buffer = std::make_unique<Buffer>(w, h);
        if (capture_texture != 0) capture_texture = create_capture_texture(*capture_buffer);
    }
    if (!capture_buffer) capture_buffer = std::make_unique<Buffer>(w, h);
    if (capture_texture == 0) capture_texture = create_capture_texture(*capture_buffer);
}

void Effect::capture_screen() {
    ensure_capture_target();
    // Copied on the GPU: the same texels a read-back and upload would give,
    // without stalling the pipeline or touching the CPU copy.
    glReadBuffer(GL_BACK);
    glBindTexture(GL_TEXTURE_2D, capture_texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, capture_buffer->width, capture_buffer->height);
}

}  // namespace quillbarrow
