#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "player/diagnostics.h"
#include "render/gl_object.h"
#include "render/shader_includes.h"
#include "render/uniform_def.h"
#include "serialization/serializable.h"

namespace quillbarrow {

// One GLSL program of the production: the two sources, their file names,
// the user uniforms it declares, and the GL objects and cached locations the
// effect and model renderers use every frame. Its fragment file name is its
// identity: effects and include directives name it.
class ShaderProgram : public ISerializable {
public:
    using ProgramList = std::vector<std::unique_ptr<ShaderProgram>>;

    // Defaults: the default vertex shader, an empty fragment source; built.
    ShaderProgram();
    explicit ShaderProgram(const JsonValue& value);
    explicit ShaderProgram(BinaryReader& in);
    // The player keeps its programs to the end; tools and tests that drop a
    // document free the compiled code with it.
    ~ShaderProgram() override;
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    // Deletes the GL objects and builds them again, expanding includes
    // against the current document's programs (or through the load's
    // expander, which expands each file once).
    void rebuild();
    void rebuild(IncludeExpander& includes);
    // Compiles both stages; includes are expanded against the given list
    // (none: the current document's, if there is one) or by the expander.
    void compile_shaders();
    void compile_shaders(const ProgramList* programs);
    void compile_shaders(IncludeExpander* includes);
    void link_program();
    void lookup_locations();
    void load_source_files();

    std::string vertex_shader_source;
    std::string fragment_shader_source;
    std::string vertex_shader_filename;
    std::string fragment_shader_filename;
    std::string expanded_fragment_source;
    std::vector<std::unique_ptr<UniformDef>> uniform_defs;
    std::string build_log;
    // Why the includes were not expanded (a limit was passed); empty when they were.
    std::string include_error;

    GlShader vertex_shader_id;
    GlShader fragment_shader_id;
    GlProgram program_id;

    // Built-in locations, -1 when the program lacks the name.
    int beat_location = -1;
    int itime2_location = -1;
    int sound_location = -1;
    int sampler_locations[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int resolution_location = -1;
    int camera_position_location = -1;
    int camera_rotation_location = -1;
    int sound_texture_location = -1;
    int node_idx_location = -1;
    int model_view_proj_matrix_location = -1;
    int model_view_matrix_location = -1;
    int normal_matrix_location = -1;
    int model_matrix_location = -1;
    int light_mvp_matrix_location = -1;
    int base_color_factor_location = -1;
    int base_color_texture_location = -1;
    int metallic_factor_location = -1;
    int roughness_factor_location = -1;
    int metallic_roughness_texture_location = -1;
    // "uEmissiveFactor" and "uEmissiveTexture".
    int emissive_factor_location = -1;
    int emissive_texture_location = -1;
    int shadow_map_texture_location = -1;
    int is_shadow_render_pass_location = -1;
    int tag_location = -1;
    int instance_location = -1;

    // The rest of a glTF material, beside the uniforms above.
    int normal_texture_location = -1;
    int normal_scale_location = -1;
    int occlusion_texture_location = -1;
    int occlusion_strength_location = -1;
    int emissive_strength_location = -1;
    int alpha_mode_location = -1;
    int alpha_cutoff_location = -1;
    // Per texture of a material, in MaterialTexture order ("uHas<Name>Texture",
    // "u<Name>UvTransform", "u<Name>TexCoord").
    struct MaterialTextureLocations {
        int present = -1;
        int uv_transform = -1;
        int texcoord = -1;
    };
    enum MaterialTexture { BaseColor, MetallicRoughness, Normal, Occlusion, Emissive, MaterialTextureCount };
    MaterialTextureLocations material_texture_locations[MaterialTextureCount];

    // Texture units (GL_TEXTURE0 + n) chosen by an effect's scene pass.
    int base_color_unit = 0;
    int metallic_roughness_unit = 0;
    int emissive_unit = 0;
    int shadow_map_unit = 0;
    int normal_unit = 0;
    int occlusion_unit = 0;

    int vp_location = -1;
    std::uint32_t matrices_block_index = 0xFFFFFFFFu;

private:
    void create_shader_objects();
    void delete_gl_objects();
    void build(IncludeExpander* includes);
    void build_quietly();
    void record_shader_log(unsigned int shader);
};

// Compile and link logs are reported as shader logs. This drops them for as
// long as it lives, as the tools do while a document loads before its
// includes can be expanded; every other message goes on as before.
class QuietShaderLogs {
    DiagnosticScope scope_ = DiagnosticScope::dropping(DiagnosticKind::ShaderLog);
};

// The programs of the current document, or none before it exists.
const ShaderProgram::ProgramList* document_programs();

// An expander over the fragment files of a program list, in list order.
IncludeExpander includes_of(const ShaderProgram::ProgramList& programs);

}  // namespace quillbarrow
