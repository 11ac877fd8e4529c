#include "lint/reference_checks.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <system_error>

#include "document/demo.h"
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
    const std::int64_t type = event_type(event);
    if (type < 0 || type > 255) {
        context.error(member_path(path, "type"),
                      "event type " + std::to_string(type) + " is not 0 to 255: the project does not load");
        return;
    }
    if (is(type, EventType::Effect))
        references.single(event, path, "effect", "effects", "effect");
    else if (is(type, EventType::AudioSample))
        references.single(event, path, "audio_sample", "audio_samples", "audio sample");
    else if (is(type, EventType::Group))
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
    const char* start_key = is(type, EventType::AudioSample) ? "beat" : "start_beat";
    if (float_member(event, start_key, start) && start > end_of_production) {
        std::snprintf(text, sizeof text, "starts at beat %g, after the end beat %g: it never plays", start,
                      end_of_production);
        context.warning(member_path(path, start_key), "event \"" + name + "\" " + text);
    }
    if (!is(type, EventType::AudioSample) && float_member(event, "start_beat", start) &&
        float_member(event, "end_beat", end) && end < start) {
        std::snprintf(text, sizeof text, "ends at beat %g, before it starts at beat %g: it never plays", end, start);
        context.warning(member_path(path, "end_beat"), "event \"" + name + "\" " + text);
    }
}

// The groups each group replays through its member events, by index of the
// record that references find; edges to names that find nothing are left out.
std::vector<std::vector<std::size_t>> replay_edges(const LintContext& context, ReferenceChecker& references) {
    const auto& groups = elements_of(member(context.root, "event_groups"));
    const auto& events = elements_of(member(context.root, "events"));
    const auto& group_names = references.names("event_groups");
    const auto& event_names = references.names("events");
    std::vector<std::vector<std::size_t>> edges(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) {
        for (const JsonValue& member_name : elements_of(member(groups[i], "events"))) {
            if (!member_name.is_string()) continue;
            auto event = event_names.find(member_name.as_string());
            if (event == event_names.end() || !is(event_type(events[event->second]), EventType::Group)) continue;
            auto target = group_names.find(string_member(events[event->second], "group"));
            if (target != group_names.end()) edges[i].push_back(target->second);
        }
    }
    return edges;
}

// Which groups lie on a cycle: strongly connected components found without
// recursion (Tarjan's order), so a chain of any length is walked on the heap.
std::vector<bool> on_a_cycle(const std::vector<std::vector<std::size_t>>& edges) {
    constexpr std::size_t kUnvisited = static_cast<std::size_t>(-1);
    const std::size_t n = edges.size();
    std::vector<std::size_t> index(n, kUnvisited), low(n, 0);
    std::vector<bool> on_stack(n, false), cyclic(n, false);
    std::vector<std::size_t> stack;
    std::vector<std::pair<std::size_t, std::size_t>> walk;  // node, next edge
    std::size_t counter = 0;
    for (std::size_t root = 0; root < n; ++root) {
        if (index[root] != kUnvisited) continue;
        walk.push_back({root, 0});
        while (!walk.empty()) {
            auto& [node, next] = walk.back();
            if (next == 0 && index[node] == kUnvisited) {
                index[node] = low[node] = counter++;
                stack.push_back(node);
                on_stack[node] = true;
            }
            if (next < edges[node].size()) {
                const std::size_t to = edges[node][next++];
                if (to == node) cyclic[node] = true;
                if (index[to] == kUnvisited)
                    walk.push_back({to, 0});
                else if (on_stack[to])
                    low[node] = std::min(low[node], index[to]);
                continue;
            }
            const std::size_t done = node;
            walk.pop_back();
            if (!walk.empty()) low[walk.back().first] = std::min(low[walk.back().first], low[done]);
            if (low[done] != index[done]) continue;
            std::size_t member, size = 0;
            const std::size_t first = stack.size();
            do {
                member = stack[stack.size() - 1 - size++];
            } while (member != done);
            for (std::size_t k = first - size; k < first; ++k) {
                on_stack[stack[k]] = false;
                if (size > 1) cyclic[stack[k]] = true;
            }
            stack.resize(first - size);
        }
    }
    return cyclic;
}

// The first way back to start in member order, as "start -> ... -> start",
// searched depth first on an explicit stack among the groups of its cycle.
std::string route_back(const LintContext& context, const std::vector<std::vector<std::size_t>>& edges,
                       const std::vector<bool>& cyclic, std::size_t start, std::vector<std::size_t>& seen) {
    const auto& groups = elements_of(member(context.root, "event_groups"));
    std::vector<std::pair<std::size_t, std::size_t>> path{{start, 0}};
    while (!path.empty()) {
        auto& [node, next] = path.back();
        if (next == edges[node].size()) {
            path.pop_back();
            continue;
        }
        const std::size_t to = edges[node][next++];
        if (to == start) {
            std::string route;
            for (const auto& step : path) route += string_member(groups[step.first], "name") + " -> ";
            return route + string_member(groups[start], "name");
        }
        if (cyclic[to] && seen[to] != start) {
            seen[to] = start;
            path.push_back({to, 0});
        }
    }
    return {};
}

void check_group_cycles(const LintContext& context, ReferenceChecker& references) {
    const auto& groups = elements_of(member(context.root, "event_groups"));
    const auto& group_names = references.names("event_groups");
    const std::vector<std::vector<std::size_t>> edges = replay_edges(context, references);
    const std::vector<bool> cyclic = on_a_cycle(edges);
    std::vector<std::size_t> seen(groups.size(), static_cast<std::size_t>(-1));
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const std::string start = string_member(groups[i], "name");
        if (!cyclic[i] || group_names.at(start) != i) continue;  // a shadowed duplicate is never played
        context.error(member_path(list_path("event_groups", i), "events"),
                      "group \"" + start + "\" contains itself: " + route_back(context, edges, cyclic, i, seen));
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

    for (const char* list : kDocumentListKeys) check_duplicates(context, list);
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
    if (!member(context.root, "music")) check_file("", kDefaultMusicPath, " (the music, when the project embeds none)");
}

}  // namespace quillbarrow
