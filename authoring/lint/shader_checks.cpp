#include "lint/shader_checks.h"

#include <algorithm>
#include <set>

#include "shader_report/shader_build_report.h"
#include "timeline/event.h"
#include "timeline/scene_tracks.h"

namespace quillbarrow {

namespace {

// A build error as a finding: a placed one at the file and line that hold
// it (an embedded source at its project key), an unplaced one at the key of
// what failed.
void report_build_error(const LintContext& context, const std::vector<ShaderSources>& all, std::size_t index,
                        const ShaderBuildError& error) {
    using Stage = ShaderBuildError::Stage;
    const ShaderSources& shader = all[index];
    const StageSource& own = error.stage == Stage::Vertex ? shader.vertex : shader.fragment;
    if (error.stage == Stage::Includes) {
        context.error(own.origin.path, "fragment shader " + shader.fragment_name + ": " + error.message);
    } else if (error.stage == Stage::Link) {
        context.error(element_path("shaders", index), error.message);
    } else if (error.origin.line == 0) {
        context.error(own.origin.path, error.message);
    } else {
        const SourceOrigin origin = origin_in_project(all, own, error.origin);
        const char* stage = error.stage == Stage::Vertex ? "vertex" : "fragment";
        if (origin.embedded)
            context.error(origin.path,
                          std::string(stage) + " shader line " + std::to_string(origin.line) + ": " + error.message);
        else  // The path names the program that failed, whichever file holds the line.
            context.findings.add(
                {Finding::Severity::Error, origin.file, origin.line, 0, error.message, own.origin.path});
    }
}

// Names that drive a scene effect: camera, light, instances and animation.
const std::set<std::string>& scene_track_names() {
    static const std::set<std::string> names(kSceneTrackNames.begin(), kSceneTrackNames.end());
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
    if (!is(event_type(*target), EventType::Effect)) return false;
    const JsonValue* effect = named(root, "effects", "name", string_member(*target, "effect"));
    return effect && drives_effect(root, *effect, track.substr(dot + 1));
}

}  // namespace

std::vector<bool> check_shader_builds(const LintContext& context, const std::vector<ShaderSources>& sources) {
    std::vector<bool> built(sources.size(), false);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!sources[i].readable) continue;
        const std::vector<ShaderBuildError> errors =
            compile_and_report(ExpandedSource::plain(sources[i].vertex.text), sources[i].expanded);
        built[i] = errors.empty();
        for (const ShaderBuildError& error : errors) report_build_error(context, sources, i, error);
    }
    return built;
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
        const std::int64_t type = event_type(event);
        const JsonValue* effect =
            is(type, EventType::Effect) ? named(root, "effects", "name", string_member(event, "effect")) : nullptr;
        if (is(type, EventType::Effect) && !effect) continue;  // the dangling reference is the finding
        for (const auto& [track, value] : tracks->members()) {
            const bool drives = is(type, EventType::Effect)  ? drives_effect(root, *effect, track)
                                : is(type, EventType::Group) ? drives_group_member(root, event, track)
                                                             : false;
            if (drives) continue;
            const std::string path = member_path(member_path(element_path("events", i), "control_points"), track);
            if (is(type, EventType::Effect))
                context.warning(path, "track \"" + track + "\" drives nothing: effect \"" +
                                          string_member(*effect, "name") +
                                          "\" has no uniform, font texture or scene track of that name");
            else if (is(type, EventType::Group))
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
