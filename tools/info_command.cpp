#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "command.h"
#include "project/player_version.h"
#include "project/project_file.h"
#include "offscreen/headless_session.h"
#include "serialization/content_trailer.h"

namespace quillbarrow {

namespace {

template <class List, class NameOf>
void print_list(const char* key, const List& list, NameOf name_of) {
    std::printf("%-14s %zu", key, list.size());
    const char* separator = ": ";
    for (const auto& record : list) {
        std::printf("%s\"%s\"", separator, name_of(*record).c_str());
        separator = ", ";
    }
    std::printf("\n");
}

const char* plural(std::size_t count, const char* one, const char* many) { return count == 1 ? one : many; }

// One line per model: what the player built from it.
void print_models(const RecordList<Model>& models) {
    std::printf("%-14s %zu\n", "models", models.size());
    for (const auto& model : models) {
        const std::size_t arrays = model->vertex_arrays.size(), nodes = model->gltf.nodes.size(),
                          skins = model->gltf.skins.size(), animations = model->gltf.animations.size();
        std::printf("  \"%s\": %zu %s, %zu %s, %zu %s, %zu %s%s\n", model->filename.c_str(), arrays,
                    plural(arrays, "vertex array", "vertex arrays"), nodes, plural(nodes, "node", "nodes"), skins,
                    plural(skins, "skin", "skins"), animations, plural(animations, "animation", "animations"),
                    model->parsed ? "" : " (did not parse)");
    }
}

// Where the player part of a packed file ends.
std::uint64_t payload_offset(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return 0;
    const PayloadLocation where = locate_payload(file.get());
    if (where.status == TrailerStatus::Found) return where.offset;
    // A page: the player is what comes before the payload's element.
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!looks_like_page(text)) return 0;
    const std::size_t element = text.find(kPagePayloadOpening);
    return element == std::string::npos ? 0 : element;
}

int info(const std::string& path) {
    PayloadRead payload = read_payload(path);
    if (payload.status == TrailerStatus::Missing)
        throw ProjectError(path + " holds no production (no content trailer)");
    std::string error;
    if (!open_headless_session(64, 36, &error)) throw ProjectError(error);
    auto demo = load_packed(path);
    auto name = [](const auto& record) -> const std::string& { return record.name; };
    const std::string version = stamped_player_version(path, payload_offset(path));
    std::printf("player         %s\n", version.empty() ? "unknown (no version stamp)" : version.c_str());
    std::printf("payload        %zu bytes\n", payload.bytes.size());
    std::printf("records        %llu\n", static_cast<unsigned long long>(demo->record_count));
    print_list("events", demo->events, name);
    print_list("effects", demo->effects, name);
    print_list("shaders", demo->shaders,
               [](const ShaderProgram& p) -> const std::string& { return p.fragment_shader_filename; });
    print_list("textures", demo->textures, name);
    print_list("audio_samples", demo->audio_samples, name);
    print_list("event_groups", demo->event_groups, name);
    print_list("fonts", demo->fonts, name);
    print_list("font_textures", demo->font_textures, name);
    print_list("datas", demo->datas, name);
    print_models(demo->models);
    print_list("scenes", demo->scenes, name);
    std::printf("music          %llu bytes\n", static_cast<unsigned long long>(demo->music->len));
    std::printf("end beat       %g\nbpm            %g\nbeat offset    %g\n", demo->end_beat, demo->bpm,
                demo->beat_offset);
    return 0;
}

}  // namespace

CommandAction add_info_command(CLI::App& tool) {
    auto path = std::make_shared<std::string>();
    CLI::App* command = tool.add_subcommand("info", "show what a packed executable holds");
    command->add_option("FILE", *path, "the packed executable")->required();
    command->footer("Prints the version of the player inside (when it carries one), the payload size,\n"
                    "the record count, each list's size and names (for each model its vertex arrays,\n"
                    "nodes, skins and animations), the music size, the end beat, the BPM and the\n"
                    "beat offset.");
    return [path] { return info(*path); };
}

}  // namespace quillbarrow
