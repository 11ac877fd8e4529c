#include "scene/material_binding.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>

#include "document/texture.h"
#include "player/player_state.h"
#include "render/shader_program.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "scene/texture_sampler.h"
#include "scene/texture_transform.h"

namespace quillbarrow {

namespace {

template <class T>
bool exists(int index, const std::vector<T>& list) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

// A unit field the effect never set (0) means unit 0, not an invalid enum.
GLenum unit_enum(int unit) { return unit >= GL_TEXTURE0 ? static_cast<GLenum>(unit) : GL_TEXTURE0; }
GLint unit_number(int unit) { return static_cast<GLint>(unit_enum(unit) - GL_TEXTURE0); }

// The GL texture of a glTF texture index, or the fallback when the index,
// its source image or the image's texture does not exist.
unsigned int material_texture(const Model& model, int texture_index, unsigned int fallback) {
    if (!exists(texture_index, model.gltf.textures)) return fallback;
    const int source = model.gltf.textures[static_cast<std::size_t>(texture_index)].source;
    if (!exists(source, model.image_textures)) return fallback;
    const auto& texture = model.image_textures[static_cast<std::size_t>(source)];
    return texture ? texture->texture : fallback;
}

float component(const std::vector<double>& values, std::size_t i, float fallback) {
    return i < values.size() ? static_cast<float>(values[i]) : fallback;
}

// What a primitive without a material (or with one the asset lacks) uses.
const tinygltf::Material& default_material() {
    static const tinygltf::Material material;
    return material;
}

// A finite factor not below zero, or the fallback.
float factor(double value, float fallback) {
    return std::isfinite(value) && value >= 0.0 ? static_cast<float>(value) : fallback;
}

float emissive_strength(const tinygltf::Material& material) {
    const auto found = material.extensions.find("KHR_materials_emissive_strength");
    if (found == material.extensions.end() || !found->second.IsObject() || !found->second.Has("emissiveStrength"))
        return 1.0f;
    const tinygltf::Value& strength = found->second.Get("emissiveStrength");
    return strength.IsNumber() ? factor(strength.GetNumberAsDouble(), 1.0f) : 1.0f;
}

// Binds a material's texture (the fallback when it has none) sampled as its
// sampler says, when the program samples it; sends whether it is present,
// its coordinate transform and its coordinate set, where the program has them.
template <class TextureInfo>
void send_texture(const ShaderProgram& program, const Model& model, ShaderProgram::MaterialTexture slot,
                  const TextureInfo& info, unsigned int fallback, int unit, int location) {
    const unsigned int texture = material_texture(model, info.index, 0);
    if (location != -1) {
        bind_texture_on_unit(unit, texture ? texture : fallback, location);
        if (texture) apply_sampling(texture_sampling(model.gltf, info.index));
    }
    const ShaderProgram::MaterialTextureLocations& at = program.material_texture_locations[slot];
    if (at.present != -1) glUniform1i(at.present, texture ? 1 : 0);
    if (at.uv_transform == -1 && at.texcoord == -1) return;
    const TextureTransform transform = texture_transform(info.texCoord, info.extensions);
    if (at.uv_transform != -1) glUniformMatrix3fv(at.uv_transform, 1, GL_FALSE, glm::value_ptr(transform.matrix));
    if (at.texcoord != -1) glUniform1i(at.texcoord, transform.texcoord);
}

void send_emissive(const ShaderProgram& program, const Model& model, const tinygltf::Material& m) {
    if (program.emissive_factor_location != -1) {
        const auto& e = m.emissiveFactor;
        glUniform3f(program.emissive_factor_location, component(e, 0, 0.0f), component(e, 1, 0.0f),
                    component(e, 2, 0.0f));
    }
    send_texture(program, model, ShaderProgram::Emissive, m.emissiveTexture, 0, program.emissive_unit,
                 program.emissive_texture_location);
    if (program.emissive_strength_location != -1) glUniform1f(program.emissive_strength_location, emissive_strength(m));
}

AlphaMode alpha_mode_named(const std::string& mode) {
    if (mode == "MASK") return AlphaMode::Mask;
    if (mode == "BLEND") return AlphaMode::Blend;
    return AlphaMode::Opaque;
}

// Everything of a material beyond its base colour and metallic-roughness
// factors and textures.
void send_rest_of_material(const ShaderProgram& program, const Model& model, const tinygltf::Material& m) {
    send_emissive(program, model, m);
    send_texture(program, model, ShaderProgram::Normal, m.normalTexture, 0, program.normal_unit,
                 program.normal_texture_location);
    send_texture(program, model, ShaderProgram::Occlusion, m.occlusionTexture, 0, program.occlusion_unit,
                 program.occlusion_texture_location);
    if (program.normal_scale_location != -1)
        glUniform1f(program.normal_scale_location,
                    std::isfinite(m.normalTexture.scale) ? static_cast<float>(m.normalTexture.scale) : 1.0f);
    if (program.occlusion_strength_location != -1)
        glUniform1f(program.occlusion_strength_location, factor(m.occlusionTexture.strength, 1.0f));
    if (program.alpha_mode_location != -1)
        glUniform1i(program.alpha_mode_location, static_cast<int>(alpha_mode_named(m.alphaMode)));
    if (program.alpha_cutoff_location != -1) glUniform1f(program.alpha_cutoff_location, factor(m.alphaCutoff, 0.5f));
}

}  // namespace

void bind_texture_on_unit(int unit, unsigned int texture, int location) {
    glActiveTexture(unit_enum(unit));
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(location, unit_number(unit));
}

AlphaMode alpha_mode_of(const Model& model, int material) {
    if (!exists(material, model.gltf.materials)) return AlphaMode::Opaque;
    return alpha_mode_named(model.gltf.materials[static_cast<std::size_t>(material)].alphaMode);
}

BlendedPrimitive::BlendedPrimitive(const Model& model, int material, bool shadow_pass)
    : active_(!shadow_pass && alpha_mode_of(model, material) == AlphaMode::Blend) {
    if (!active_) return;
    blend_was_enabled_ = glIsEnabled(GL_BLEND) == GL_TRUE;
    glGetIntegerv(GL_BLEND_SRC_RGB, &source_rgb_);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination_rgb_);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &source_alpha_);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &destination_alpha_);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask_);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
}

BlendedPrimitive::~BlendedPrimitive() {
    if (!active_) return;
    if (!blend_was_enabled_) glDisable(GL_BLEND);
    glBlendFuncSeparate(static_cast<GLenum>(source_rgb_), static_cast<GLenum>(destination_rgb_),
                        static_cast<GLenum>(source_alpha_), static_cast<GLenum>(destination_alpha_));
    glDepthMask(depth_mask_);
}

void Scene::bind_material(DrawState& state, int material) {
    const ShaderProgram& program = *state.program;
    const Model& model = *state.model;
    // No material, or one the asset does not have: plain white, and glTF's
    // default material for the rest.
    if (!exists(material, model.gltf.materials)) {
        const tinygltf::Material& none = default_material();
        glUniform4f(program.base_color_factor_location, 1.0f, 1.0f, 1.0f, 1.0f);
        send_texture(program, model, ShaderProgram::BaseColor, none.pbrMetallicRoughness.baseColorTexture,
                     white_texture, program.base_color_unit, program.base_color_texture_location);
        // The metallic-roughness flags only: its factors and texture stay as they were.
        send_texture(program, model, ShaderProgram::MetallicRoughness,
                     none.pbrMetallicRoughness.metallicRoughnessTexture, 0, 0, -1);
        send_rest_of_material(program, model, none);
        return;
    }
    const tinygltf::Material& m = model.gltf.materials[static_cast<std::size_t>(material)];
    const tinygltf::PbrMetallicRoughness& pbr = m.pbrMetallicRoughness;
    if (program.base_color_factor_location != -1) {
        const auto& f = pbr.baseColorFactor;
        glUniform4f(program.base_color_factor_location, component(f, 0, 1.0f), component(f, 1, 1.0f),
                    component(f, 2, 1.0f), component(f, 3, 1.0f));
    }
    send_texture(program, model, ShaderProgram::BaseColor, pbr.baseColorTexture, white_texture, program.base_color_unit,
                 program.base_color_texture_location);
    if (program.metallic_factor_location != -1)
        glUniform1f(program.metallic_factor_location, static_cast<float>(pbr.metallicFactor));
    if (program.roughness_factor_location != -1)
        glUniform1f(program.roughness_factor_location, static_cast<float>(pbr.roughnessFactor));
    send_texture(program, model, ShaderProgram::MetallicRoughness, pbr.metallicRoughnessTexture, 0,
                 program.metallic_roughness_unit, program.metallic_roughness_texture_location);
    send_rest_of_material(program, model, m);
}

}  // namespace quillbarrow
