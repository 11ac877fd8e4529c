#include "lint/shader_checks.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include <GL/glew.h>

#include "shader_report/shader_build_report.h"

namespace quillbarrow {

namespace {

struct Compiled {
    GLuint shader = 0;
    bool ok = false;
    std::string log;
};

Compiled compile(GLenum stage, const std::string& text) {
    Compiled out;
    out.shader = glCreateShader(stage);
    const char* source = text.c_str();
    const GLint length = static_cast<GLint>(text.size());
    glShaderSource(out.shader, 1, &source, &length);
    glCompileShader(out.shader);
    GLint status = GL_FALSE, log_length = 0;
    glGetShaderiv(out.shader, GL_COMPILE_STATUS, &status);
    glGetShaderiv(out.shader, GL_INFO_LOG_LENGTH, &log_length);
    out.ok = status == GL_TRUE;
    if (log_length > 1) {
        out.log.resize(static_cast<std::size_t>(log_length));
        glGetShaderInfoLog(out.shader, log_length, nullptr, out.log.data());
        out.log.resize(std::char_traits<char>::length(out.log.c_str()));
    }
    return out;
}

void report_compile_errors(const LintContext& context, const char* stage, const std::vector<ShaderSources>& all,
                           const StageSource& own, const ExpandedSource& source, const Compiled& compiled) {
    for (const ShaderError& error : placed_errors(compiled.log, compiled.ok, source)) {
        if (error.origin.line == 0) {
            context.error(own.origin.path, std::string(stage) + " shader: " + error.message);
            continue;
        }
        const SourceOrigin origin = origin_in_project(all, own, error.origin);
        if (origin.embedded) {
            context.error(origin.path,
                          std::string(stage) + " shader line " + std::to_string(origin.line) + ": " + error.message);
        } else {
            // The path names the program that failed, whichever file holds the line.
            context.findings.add(
                {Finding::Severity::Error, origin.file, origin.line, 0, error.message, own.origin.path});
        }
    }
}

// Names that drive a scene effect: camera, light, instances and animation.
const std::set<std::string>& scene_track_names() {
    static const std::set<std::string> names = {"camera_position_x",
                                                "camera_position_y",
                                                "camera_position_z",
                                                "camera_direction_x",
                                                "camera_direction_y",
                                                "camera_direction_z",
                                                "camera_up_x",
                                                "camera_up_y",
                                                "camera_up_z",
                                                "ldD",
                                                "ldX",
                                                "ldY",
                                                "ldZ",
                                                "render_instances",
                                                "animation_index",
                                                "animation_position",
                                                "animation_divider",
                                                "animation_start",
                                                "animation_end"};
    return names;
}

// Index of the last record of a list under a name, as the reader finds it.
const JsonValue* named(const JsonValue& root, const char* list, const char* key, const std::string& name) {
    const JsonValue* found = nullptr;
    for (const JsonValue& record : elements_of(member(root, list)))
        if (string_member(record, key) == name) found = &record;
    return found;
}

bool string_in(const JsonValue* array, const std::string& name) {
    for (const JsonValue& element : elements_of(array))
        if (element.is_string() && element.as_string() == name) return true;
    return false;
}

// Whether a track of this name drives something of the effect.
bool drives_effect(const JsonValue& root, const JsonValue& effect, const std::string& track) {
    if (string_in(member(effect, "font_textures"), track)) return true;
    if (member(effect, "scene") && scene_track_names().count(track)) return true;
    const JsonValue* program = named(root, "shaders", "fragment_shader_filename", string_member(effect, "program"));
    if (!program) return true;  // the dangling program is the finding
    for (const JsonValue& def : elements_of(member(*program, "uniform_defs")))
        if (string_member(def, "name") == track) return true;
    return false;
}

// A group event's tracks override its members' tracks as "member.track".
bool drives_group_member(const JsonValue& root, const JsonValue& event, const std::string& track) {
    const std::size_t dot = track.find('.');
    if (dot == std::string::npos) return false;
    const std::string member_name = track.substr(0, dot);
    const JsonValue* group = named(root, "event_groups", "name", string_member(event, "group"));
    if (!group || !string_in(member(*group, "events"), member_name)) return false;
    const JsonValue* target = named(root, "events", "name", member_name);
    if (!target) return false;
    const JsonValue* type = member(*target, "type");
    if (type && type->as_int() != 1) return false;
    const JsonValue* effect = named(root, "effects", "name", string_member(*target, "effect"));
    return effect && drives_effect(root, *effect, track.substr(dot + 1));
}

}  // namespace

void check_shader_builds(const LintContext& context, const std::vector<ShaderSources>& sources) {
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const ShaderSources& shader = sources[i];
        if (!shader.readable) continue;
        if (!shader.expanded.error.empty()) {
            context.error(shader.fragment.origin.path,
                          "fragment shader " + shader.fragment_name + ": " + shader.expanded.error);
            continue;
        }
        const Compiled vertex = compile(GL_VERTEX_SHADER, shader.vertex.text);
        const Compiled fragment = compile(GL_FRAGMENT_SHADER, shader.expanded.text);
        report_compile_errors(context, "vertex", sources, shader.vertex, ExpandedSource::plain(shader.vertex.text),
                              vertex);
        report_compile_errors(context, "fragment", sources, shader.fragment, shader.expanded, fragment);
        if (vertex.ok && fragment.ok) {
            const GLuint program = glCreateProgram();
            glAttachShader(program, vertex.shader);
            glAttachShader(program, fragment.shader);
            glLinkProgram(program);
            GLint status = GL_FALSE;
            glGetProgramiv(program, GL_LINK_STATUS, &status);
            if (status != GL_TRUE) {
                char log[1024] = {};
                glGetProgramInfoLog(program, sizeof log, nullptr, log);
                context.error(element_path("shaders", i), std::string("shaders do not link: ") + log);
            }
            glDeleteProgram(program);
        }
        glDeleteShader(vertex.shader);
        glDeleteShader(fragment.shader);
    }
}

void check_tracks_and_uniforms(const LintContext& context, const std::vector<ShaderSources>& sources) {
    const JsonValue& root = context.root;
    const auto& shaders = elements_of(member(root, "shaders"));
    for (std::size_t i = 0; i < shaders.size() && i < sources.size(); ++i) {
        if (!sources[i].readable) continue;
        std::vector<std::string> declared = declared_uniforms(sources[i].expanded.text);
        const std::vector<std::string> vertex = declared_uniforms(sources[i].vertex.text);
        declared.insert(declared.end(), vertex.begin(), vertex.end());
        const auto& defs = elements_of(member(shaders[i], "uniform_defs"));
        for (std::size_t d = 0; d < defs.size(); ++d) {
            const JsonValue* name = member(defs[d], "name");
            if (!name || !name->is_string()) continue;
            if (std::find(declared.begin(), declared.end(), name->as_string()) == declared.end())
                context.warning(
                    member_path(element_path(member_path(element_path("shaders", i), "uniform_defs"), d), "name"),
                    "uniform \"" + name->as_string() + "\" is not declared by \"" + sources[i].fragment_name + "\"");
        }
    }

    const auto& events = elements_of(member(root, "events"));
    for (std::size_t i = 0; i < events.size(); ++i) {
        const JsonValue& event = events[i];
        const JsonValue* tracks = member(event, "control_points");
        if (!tracks || !tracks->is_object()) continue;
        const JsonValue* type_value = member(event, "type");
        const std::int64_t type = type_value ? type_value->as_int() : 1;
        const JsonValue* effect = type == 1 ? named(root, "effects", "name", string_member(event, "effect")) : nullptr;
        if (type == 1 && !effect) continue;  // the dangling reference is the finding
        for (const auto& [track, value] : tracks->members()) {
            const bool drives = type == 1   ? drives_effect(root, *effect, track)
                                : type == 3 ? drives_group_member(root, event, track)
                                            : false;
            if (drives) continue;
            const std::string path = member_path(member_path(element_path("events", i), "control_points"), track);
            if (type == 1)
                context.warning(path, "track \"" + track + "\" drives nothing: effect \"" +
                                          string_member(*effect, "name") +
                                          "\" has no uniform, font texture or scene track of that name");
            else if (type == 3)
                context.warning(path, "track \"" + track +
                                          "\" drives nothing: a group event's tracks are named "
                                          "\"member.track\" after an event of its group");
            else
                context.warning(path,
                                "track \"" + track + "\" drives nothing: only effect and group events have tracks");
        }
    }
}

}  // namespace quillbarrow
