#include "lint/reference_checks.h"

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <system_error>

#include "document/project_folder.h"
#include "document/resource_reader.h"

namespace quillbarrow {

namespace {

// The name key of each list's records: the reader finds shaders by their
// fragment file and models by their file.
const char* name_key(const std::string& list) {
    if (list == "shaders") return "fragment_shader_filename";
    if (list == "models") return "filename";
    return "name";
}

std::string list_path(const std::string& list, std::size_t index) { return element_path(list, index); }

// Index of each name in a list; a later record with the same name wins, as in the reader.
std::map<std::string, std::size_t> names_of(const LintContext& context, const std::string& list) {
    std::map<std::string, std::size_t> names;
    const auto& records = elements_of(member(context.root, list));
    for (std::size_t i = 0; i < records.size(); ++i) names[string_member(records[i], name_key(list))] = i;
    return names;
}

void check_duplicates(const LintContext& context, const std::string& list) {
    std::map<std::string, std::size_t> first;
    const auto& records = elements_of(member(context.root, list));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const JsonValue* name = member(records[i], name_key(list));
        if (!name || !name->is_string()) continue;
        auto [at, inserted] = first.emplace(name->as_string(), i);
        if (!inserted)
            context.warning(member_path(list_path(list, i), name_key(list)),
                            "duplicate name \"" + name->as_string() + "\" (also " + list_path(list, at->second) +
                                "); references find this one");
    }
}

class ReferenceChecker {
public:
    explicit ReferenceChecker(const LintContext& context) : context_(context) {}

    // The record at path names by key a record of the target list.
    void single(const JsonValue& record, const std::string& path, const char* key, const std::string& target,
                const char* what) {
        const JsonValue* value = member(record, key);
        if (!value || !value->is_string()) {
            if (!value) context_.error(path, std::string("no \"") + key + "\": it names no " + what);
            return;  // a wrong kind is reported with the kinds
        }
        if (!names(target).count(value->as_string()))
            context_.error(member_path(path, key), std::string("no ") + what + " named \"" + value->as_string() + "\"");
    }

    void list(const JsonValue& record, const std::string& path, const char* key, const std::string& target,
              const char* what) {
        const std::string key_path = member_path(path, key);
        const auto& items = elements_of(member(record, key));
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].is_string() && !names(target).count(items[i].as_string()))
                context_.error(element_path(key_path, i),
                               std::string("no ") + what + " named \"" + items[i].as_string() + "\"");
    }

    const std::map<std::string, std::size_t>& names(const std::string& list) {
        auto found = names_.find(list);
        if (found == names_.end()) found = names_.emplace(list, names_of(context_, list)).first;
        return found->second;
    }

private:
    const LintContext& context_;
    std::map<std::string, std::map<std::string, std::size_t>> names_;
};

void check_event(const LintContext& context, ReferenceChecker& references, const JsonValue& event,
                 const std::string& path) {
    const JsonValue* type_value = member(event, "type");
    const std::int64_t type = type_value ? type_value->as_int() : 1;
    if (type < 0 || type > 255) {
        context.error(member_path(path, "type"),
                      "event type " + std::to_string(type) + " is not 0 to 255: the project does not load");
        return;
    }
    if (type == 1)
        references.single(event, path, "effect", "effects", "effect");
    else if (type == 2)
        references.single(event, path, "audio_sample", "audio_samples", "audio sample");
    else if (type == 3)
        references.single(event, path, "group", "event_groups", "event group");
    else {
        context.warning(member_path(path, "type"),
                        "event type " + std::to_string(type) + " plays nothing (1 effect, 2 audio sample, 3 group)");
        return;
    }

    double end_of_production = 0.0;
    if (!float_member(context.root, "end_beat", end_of_production)) return;
    const std::string name = string_member(event, "name");
    double start = 0.0, end = 0.0;
    char text[160];
    const char* start_key = type == 2 ? "beat" : "start_beat";
    if (float_member(event, start_key, start) && start > end_of_production) {
        std::snprintf(text, sizeof text, "starts at beat %g, after the end beat %g: it never plays", start,
                      end_of_production);
        context.warning(member_path(path, start_key), "event \"" + name + "\" " + text);
    }
    if (type != 2 && float_member(event, "start_beat", start) && float_member(event, "end_beat", end) && end < start) {
        std::snprintf(text, sizeof text, "ends at beat %g, before it starts at beat %g: it never plays", end, start);
        context.warning(member_path(path, "end_beat"), "event \"" + name + "\" " + text);
    }
}

// Groups reached from a group through its member events that replay groups.
std::vector<std::string> replayed_groups(const LintContext& context, ReferenceChecker& references,
                                         const JsonValue& group) {
    std::vector<std::string> out;
    const auto& events = elements_of(member(context.root, "events"));
    const auto& event_names = references.names("events");
    for (const JsonValue& member_name : elements_of(member(group, "events"))) {
        if (!member_name.is_string()) continue;
        auto found = event_names.find(member_name.as_string());
        if (found == event_names.end()) continue;
        const JsonValue& event = events[found->second];
        const JsonValue* type = member(event, "type");
        if (type && type->as_int() == 3) out.push_back(string_member(event, "group"));
    }
    return out;
}

void check_group_cycles(const LintContext& context, ReferenceChecker& references) {
    const auto& groups = elements_of(member(context.root, "event_groups"));
    const auto& group_names = references.names("event_groups");
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const std::string start = string_member(groups[i], "name");
        if (group_names.at(start) != i) continue;  // a shadowed duplicate is never played
        // Depth-first search for a chain of groups leading back to this one.
        std::set<std::string> seen;
        std::vector<std::string> chain{start};
        std::function<bool(const std::string&)> leads_back = [&](const std::string& name) {
            auto found = group_names.find(name);
            if (found == group_names.end()) return false;
            for (const std::string& next : replayed_groups(context, references, groups[found->second])) {
                chain.push_back(next);
                if (next == start) return true;
                if (seen.insert(next).second && leads_back(next)) return true;
                chain.pop_back();
            }
            return false;
        };
        if (!leads_back(start)) continue;
        std::string route;
        for (const std::string& name : chain) route += (route.empty() ? "" : " -> ") + name;
        context.error(member_path(list_path("event_groups", i), "events"),
                      "group \"" + start + "\" contains itself: " + route);
    }
}

}  // namespace

void check_references(const LintContext& context) {
    ReferenceChecker references(context);
    const auto& events = elements_of(member(context.root, "events"));
    for (std::size_t i = 0; i < events.size(); ++i)
        if (events[i].is_object()) check_event(context, references, events[i], list_path("events", i));

    const auto& groups = elements_of(member(context.root, "event_groups"));
    for (std::size_t i = 0; i < groups.size(); ++i)
        references.list(groups[i], list_path("event_groups", i), "events", "events", "event");

    const auto& effects = elements_of(member(context.root, "effects"));
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const JsonValue& effect = effects[i];
        if (!effect.is_object()) continue;
        const std::string path = list_path("effects", i);
        references.single(effect, path, "program", "shaders", "shader program");
        references.list(effect, path, "textures", "textures", "texture");
        references.list(effect, path, "font_textures", "font_textures", "font texture");
        references.list(effect, path, "effects", "effects", "effect");
        if (member(effect, "scene")) references.single(effect, path, "scene", "scenes", "scene");
    }

    const auto& font_textures = elements_of(member(context.root, "font_textures"));
    for (std::size_t i = 0; i < font_textures.size(); ++i)
        if (font_textures[i].is_object())
            references.single(font_textures[i], list_path("font_textures", i), "font", "fonts", "font");

    const auto& scenes = elements_of(member(context.root, "scenes"));
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const std::string path = list_path("scenes", i);
        if (member(scenes[i], "camera_scene")) references.single(scenes[i], path, "camera_scene", "scenes", "scene");
        const JsonValue* node = member(scenes[i], "root_node");
        if (node && member(*node, "model"))
            references.single(*node, member_path(path, "root_node"), "model", "models", "model");
    }

    for (const char* list : {"events", "effects", "shaders", "textures", "audio_samples", "event_groups", "fonts",
                             "font_textures", "datas", "models", "scenes"})
        check_duplicates(context, list);
    check_group_cycles(context, references);
}

void check_resource_files(const LintContext& context) {
    // Every file the project names: an error when it cannot be read, a
    // warning when it lies outside the project folder.
    auto check_file = [&](const std::string& path, const std::string& name, const std::string& what) {
        const ResourceFile problem = resource_file_problem((context.folder / name).string());
        const std::string quoted = "\"" + name + "\"" + what;
        switch (problem.fault) {
        case ResourceFault::None: break;
        case ResourceFault::Missing: context.error(path, "missing file " + quoted); return;
        case ResourceFault::NotRegular:
            context.error(path, "file " + quoted + " is not a regular file (a device, a pipe or a folder)");
            return;
        case ResourceFault::TooLarge:
            context.error(path, "file " + quoted + " holds more than the " + std::to_string(kMaxResourceFileBytes) +
                                    " bytes a resource file may hold");
            return;
        case ResourceFault::Unreadable: context.error(path, "cannot read file " + quoted); return;
        }
        if (!stays_in_project(context.folder.empty() ? "." : context.folder, name))
            context.warning(path, "file " + quoted +
                                      " lies outside the project folder: pack refuses it unless given "
                                      "--allow-outside-files");
    };
    auto require = [&](const JsonValue& record, const std::string& path, const char* buffer_key, const char* file_key) {
        if (!record.is_object() || member(record, buffer_key)) return;
        const JsonValue* file = member(record, file_key);
        if (file && !file->is_string()) return;  // reported with the kinds
        check_file(member_path(path, file_key), file ? file->as_string() : std::string(), "");
    };
    auto each = [&](const char* list, const char* buffer_key, const char* file_key) {
        const auto& records = elements_of(member(context.root, list));
        for (std::size_t i = 0; i < records.size(); ++i) require(records[i], list_path(list, i), buffer_key, file_key);
    };
    each("textures", "image_buffer", "name");
    each("audio_samples", "audio_buffer", "name");
    each("datas", "data_buffer", "name");
    each("fonts", "font_buffer", "filename");
    each("models", "buffer", "filename");
    each("shaders", "fragment_shader_source", "vertex_shader_filename");
    each("shaders", "fragment_shader_source", "fragment_shader_filename");
    if (!member(context.root, "music"))
        check_file("", "resources/music.mp3", " (the music, when the project embeds none)");
}

}  // namespace quillbarrow
