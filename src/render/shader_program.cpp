#include "render/shader_program.h"

#include <cstdio>

#include <GL/glew.h>

#include "player/diagnostics.h"
#include "render/glsl_es_rewrite.h"
#include "render/shader_dialect.h"

namespace quillbarrow {

namespace {

constexpr int kLogSize = 1024;

int uniform(unsigned int program, const char* name) { return glGetUniformLocation(program, name); }

std::string file_text(const std::string& path) {
    int length = 0;
    auto block = load_whole_file(path, &length);
    return std::string(block.get(), static_cast<std::size_t>(length));
}

}  // namespace

IncludeExpander includes_of(const ShaderProgram::ProgramList& programs) {
    std::vector<IncludableFile> files;
    files.reserve(programs.size());
    for (const auto& program : programs)
        files.push_back({&program->fragment_shader_filename, &program->fragment_shader_source});
    return IncludeExpander(std::move(files));
}

ShaderProgram::ShaderProgram()
    : vertex_shader_source(default_vertex_source), vertex_shader_filename("resources/default.vert"),
      fragment_shader_filename("resources/untitled.frag") {
    build_quietly();
}

ShaderProgram::ShaderProgram(const JsonValue& value) { from_json(value); }

ShaderProgram::ShaderProgram(BinaryReader& in) { read(in); }

ShaderProgram::~ShaderProgram() { delete_gl_objects(); }

void ShaderProgram::create_shader_objects() {
    vertex_shader_id = GlShader(glCreateShader(GL_VERTEX_SHADER));
    fragment_shader_id = GlShader(glCreateShader(GL_FRAGMENT_SHADER));
}

void ShaderProgram::build(IncludeExpander* includes) {
    create_shader_objects();
    if (includes)
        compile_shaders(includes);
    else
        compile_shaders();
    link_program();
}

// The first build, while a document loads, cannot see the programs it
// includes yet (and a default program has no fragment source at all): its
// logs are kept in build_log but not printed. rebuild prints the real ones.
void ShaderProgram::build_quietly() {
    QuietShaderLogs quiet;
    build(nullptr);
}

void ShaderProgram::delete_gl_objects() {
    program_id.reset();
    vertex_shader_id.reset();
    fragment_shader_id.reset();
}

void ShaderProgram::rebuild() {
    delete_gl_objects();
    build(nullptr);
}

void ShaderProgram::rebuild(IncludeExpander& includes) {
    delete_gl_objects();
    build(&includes);
}

void ShaderProgram::compile_shaders() { compile_shaders(document_programs()); }

void ShaderProgram::compile_shaders(const ProgramList* programs) {
    if (!programs) return compile_shaders(static_cast<IncludeExpander*>(nullptr));
    IncludeExpander includes = includes_of(*programs);
    compile_shaders(&includes);
}

void ShaderProgram::compile_shaders(IncludeExpander* includes) {
    shader_source(vertex_shader_id, vertex_shader_source);
    glCompileShader(vertex_shader_id);
    record_shader_log(vertex_shader_id);

    include_error.clear();
    expanded_fragment_source = fragment_shader_source;
    if (includes) {
        const ExpandedSource& expanded = includes->expand(fragment_shader_filename, fragment_shader_source);
        expanded_fragment_source = expanded.text;
        include_error = expanded.error;
    }

    shader_source(fragment_shader_id, expanded_fragment_source);
    glCompileShader(fragment_shader_id);
    record_shader_log(fragment_shader_id);
    // A refused expansion compiles as empty text, which cannot link.
    if (!include_error.empty()) {
        build_log = fragment_shader_filename + ": " + include_error;
        report_shader_log(build_log.c_str());
    }
}

void ShaderProgram::record_shader_log(unsigned int shader) {
    char log[kLogSize] = {};
    glGetShaderInfoLog(shader, kLogSize, nullptr, log);
    if (log[0] != '\0') {
        report_shader_log(log);
        build_log = log;
    } else {
        build_log = "Compilation successful.";
    }
}

void ShaderProgram::link_program() {
    program_id = GlProgram::generate();
    glAttachShader(program_id, vertex_shader_id);
    glAttachShader(program_id, fragment_shader_id);
    glLinkProgram(program_id);
    char log[kLogSize] = {};
    glGetProgramInfoLog(program_id, kLogSize, nullptr, log);
    if (log[0] != '\0') {
        report_shader_log(format_message("LINKER ERROR: %s", log));
        build_log += "\nLINKER ERROR: ";
        build_log += log;
    }
    lookup_locations();
}

void ShaderProgram::lookup_locations() {
    const unsigned int p = program_id;
    beat_location = uniform(p, "beat");
    itime2_location = uniform(p, "iTime2");
    sound_location = uniform(p, "sound");
    sound_texture_location = uniform(p, "sound_texture");
    for (int n = 0; n < 16; ++n) {
        char name[16];
        if (n == 0)
            std::snprintf(name, sizeof name, "tex");
        else
            std::snprintf(name, sizeof name, "tex%d", n);
        sampler_locations[n] = uniform(p, name);
    }
    resolution_location = uniform(p, "resolution");
    camera_position_location = uniform(p, "camera_position");
    camera_rotation_location = uniform(p, "camera_rotation");
    node_idx_location = uniform(p, "nodeIdx");
    vp_location = glGetAttribLocation(p, "vp");

    glGetError();
    matrices_block_index = glGetUniformBlockIndex(p, "MatricesBlock");
    if (matrices_block_index != GL_INVALID_INDEX) glUniformBlockBinding(p, matrices_block_index, 0);
    if (glGetError() != GL_NO_ERROR) report_notice("Error");

    for (auto& def : uniform_defs) def->location = uniform(p, def->name.c_str());

    model_view_proj_matrix_location = uniform(p, "uModelViewProjMatrix");
    model_view_matrix_location = uniform(p, "uModelViewMatrix");
    normal_matrix_location = uniform(p, "uNormalMatrix");
    model_matrix_location = uniform(p, "uModelMatrix");
    light_mvp_matrix_location = uniform(p, "uLightMVPMatrix");
    base_color_texture_location = uniform(p, "uBaseColorTexture");
    base_color_factor_location = uniform(p, "uBaseColorFactor");
    metallic_factor_location = uniform(p, "uMetallicFactor");
    roughness_factor_location = uniform(p, "uRougnessFactor");
    metallic_roughness_texture_location = uniform(p, "uMetallicRoughnessTexture");
    shadow_map_texture_location = uniform(p, "uShadowMapTexture");
    is_shadow_render_pass_location = uniform(p, "uIsShadowRenderPass");
    tag_location = uniform(p, "uTag");
    instance_location = uniform(p, "uInstance");

    emissive_factor_location = uniform(p, "uEmissiveFactor");
    emissive_texture_location = uniform(p, "uEmissiveTexture");
    normal_texture_location = uniform(p, "uNormalTexture");
    normal_scale_location = uniform(p, "uNormalScale");
    occlusion_texture_location = uniform(p, "uOcclusionTexture");
    occlusion_strength_location = uniform(p, "uOcclusionStrength");
    emissive_strength_location = uniform(p, "uEmissiveStrength");
    alpha_mode_location = uniform(p, "uAlphaMode");
    alpha_cutoff_location = uniform(p, "uAlphaCutoff");
    const char* texture_names[MaterialTextureCount] = {"BaseColor", "MetallicRoughness", "Normal", "Occlusion",
                                                       "Emissive"};
    for (int t = 0; t < MaterialTextureCount; ++t) {
        const std::string name = texture_names[t];
        material_texture_locations[t] = {uniform(p, ("uHas" + name + "Texture").c_str()),
                                         uniform(p, ("u" + name + "UvTransform").c_str()),
                                         uniform(p, ("u" + name + "TexCoord").c_str())};
    }
}

void ShaderProgram::load_source_files() {
    report_routine_notice(format_message("Loading file %s", vertex_shader_filename.c_str()));
    vertex_shader_source = file_text(vertex_shader_filename);
    report_routine_notice(format_message("Loading file %s", fragment_shader_filename.c_str()));
    fragment_shader_source = file_text(fragment_shader_filename);
}

JsonValue ShaderProgram::to_json(bool export_resources) const {
    JsonValue v = JsonValue::object();
    v["vertex_shader_filename"] = vertex_shader_filename;
    v["fragment_shader_filename"] = fragment_shader_filename;
    if (export_resources) {
        save_whole_file(vertex_shader_filename, vertex_shader_source.data(), vertex_shader_source.size());
        save_whole_file(fragment_shader_filename, fragment_shader_source.data(), fragment_shader_source.size());
    } else {
        v["vertex_shader_source"] = vertex_shader_source;
        v["fragment_shader_source"] = fragment_shader_source;
    }
    JsonValue defs = JsonValue::array();
    for (const auto& def : uniform_defs) defs.push_back(def->to_json(export_resources));
    v["uniform_defs"] = std::move(defs);
    return v;
}

void ShaderProgram::write(BinaryWriter& out) const {
    out.write_string(vertex_shader_filename);
    out.write_string(vertex_shader_source);
    out.write_string(fragment_shader_filename);
    out.write_string(fragment_shader_source);
    out.write_count(uniform_defs.size());
    for (const auto& def : uniform_defs) def->write(out);
}

void ShaderProgram::from_json(const JsonValue& value) {
    vertex_shader_filename = value["vertex_shader_filename"].as_string();
    fragment_shader_filename = value["fragment_shader_filename"].as_string();
    if (value.has("fragment_shader_source")) {
        vertex_shader_source = value["vertex_shader_source"].as_string();
        fragment_shader_source = value["fragment_shader_source"].as_string();
    } else {
        load_source_files();
    }
    const JsonValue& defs = value["uniform_defs"];
    for (const auto& def : defs.elements()) uniform_defs.push_back(std::make_unique<UniformDef>(def));
    build_quietly();
}

void ShaderProgram::read(BinaryReader& in) {
    vertex_shader_filename = in.read_string("shader vertex file name");
    vertex_shader_source = in.read_string("shader vertex source");
    fragment_shader_filename = in.read_string("shader fragment file name");
    fragment_shader_source = in.read_string("shader fragment source");
    // A uniform definition takes at least 21 bytes: an empty name and three floats.
    std::uint64_t count = in.read_count("uniform definition count", 21);
    for (std::uint64_t i = 0; i < count; ++i) uniform_defs.push_back(std::make_unique<UniformDef>(in));
    build_quietly();
}

}  // namespace quillbarrow
