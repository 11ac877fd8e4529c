#include "document/demo.h"

#include <unordered_map>

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include "document/decode_budget.h"
#include "document/resource_file.h"
#include "player/audio_analysis.h"
#include "player/diagnostics.h"
#include "document/loading_progress.h"
#include "player/player_state.h"
#include "timeline/frame_evaluation.h"
#include "timeline/group_cycles.h"

namespace quillbarrow {

namespace {

using L = DocumentList;
using V = DocumentValue;

struct ListWriter {
    BinaryWriter& out;
    const std::unordered_map<const void*, std::uint64_t>& keys;

    template <class T>
    void operator()(const RecordList<T>& list) {
        out.write_count(list.size());
        for (const auto& record : list) {
            out.write_key(keys.at(record.get()));
            record->write(out);
        }
    }
};

template <class T>
JsonValue json_array(const RecordList<T>& list, bool export_resources) {
    JsonValue array = JsonValue::array();
    for (const auto& record : list) array.push_back(record->to_json(export_resources));
    return array;
}

template <class T>
void assign_keys(const RecordList<T>& list, std::unordered_map<const void*, std::uint64_t>& keys) {
    for (const auto& record : list) keys.emplace(record.get(), keys.size() + 1);
}

// A project must not hold a group that replays itself: refuse it, naming
// the way round.
void refuse_group_cycles(const RecordList<EventGroup>& groups) {
    auto cycles = find_group_cycles(groups);
    if (cycles.empty()) return;
    std::string message = "Event group \"" + cycles[0].group->name + "\" replays itself: " + cycles[0].path;
    if (cycles.size() > 1) message += " (and " + std::to_string(cycles.size() - 1) + " more such members)";
    throw std::runtime_error(message);
}

}  // namespace

std::uint64_t Demo::count_records() const {
    return events.size() + effects.size() + shaders.size() + textures.size() + audio_samples.size() +
           event_groups.size() + fonts.size() + font_textures.size() + datas.size() + models.size() + scenes.size();
}

void Demo::write(BinaryWriter& out) const {
    // Keys are sequential in write order, so packing the same project twice
    // gives the same bytes; readers only compare them.
    std::unordered_map<const void*, std::uint64_t> keys;
    assign_keys(events, keys);
    assign_keys(effects, keys);
    assign_keys(shaders, keys);
    assign_keys(textures, keys);
    assign_keys(audio_samples, keys);
    assign_keys(event_groups, keys);
    assign_keys(fonts, keys);
    assign_keys(font_textures, keys);
    assign_keys(datas, keys);
    assign_keys(models, keys);
    assign_keys(scenes, keys);
    out.set_key_table(&keys);

    out.write_u64(count_records());
    ListWriter lists{out, keys};
    lists(events);
    lists(effects);
    lists(shaders);
    lists(textures);
    lists(audio_samples);
    lists(event_groups);
    lists(fonts);
    lists(font_textures);
    lists(datas);
    lists(models);
    lists(scenes);
    music->write(out);
    out.write_f32(end_beat);
    out.write_f32(bpm);
    out.write_f32(beat_offset);
    out.set_key_table(nullptr);
}

JsonValue Demo::to_json(bool export_resources) const {
    JsonValue v = JsonValue::object();
    v[document_key(L::Events)] = json_array(events, export_resources);
    v[document_key(L::Effects)] = json_array(effects, export_resources);
    v[document_key(L::Shaders)] = json_array(shaders, export_resources);
    v[document_key(L::Textures)] = json_array(textures, export_resources);
    v[document_key(L::AudioSamples)] = json_array(audio_samples, export_resources);
    v[document_key(L::EventGroups)] = json_array(event_groups, export_resources);
    v[document_key(L::Fonts)] = json_array(fonts, export_resources);
    v[document_key(L::FontTextures)] = json_array(font_textures, export_resources);
    v[document_key(L::Datas)] = json_array(datas, export_resources);
    v[document_key(L::Models)] = json_array(models, export_resources);
    v[document_key(L::Scenes)] = json_array(scenes, export_resources);
    store_resource_buffer(v, document_key(V::Music), music.get(), kDefaultMusicPath, export_resources);
    v[document_key(V::EndBeat)] = end_beat;
    v[document_key(V::Bpm)] = bpm;
    v[document_key(V::BeatOffset)] = beat_offset;
    return v;
}

void Demo::from_json(const JsonValue& value) {
    DecodeBudgetScope budget;
    record_count = 0;
    for (const char* key : kDocumentListKeys) {
        // A key holding anything but an array counts as an empty list.
        if (value.has(key) && value[key].is_array()) record_count += static_cast<std::uint64_t>(value[key].size());
    }
    std::uint64_t index = 0;
    auto elements = [&](const char* key) -> const JsonValue::Array& {
        static const JsonValue::Array none;
        return value.has(key) && value[key].is_array() ? value[key].elements() : none;
    };
    auto load = [&](auto& list, const char* key, auto&& name_of, auto& names) {
        using Record = typename std::remove_reference_t<decltype(list)>::value_type::element_type;
        for (const JsonValue& element : elements(key)) {
            list.push_back(std::make_unique<Record>(element));
            names[name_of(*list.back())] = list.back().get();
            report_progress(index++, record_count);
        }
    };
    auto by_name = [](const auto& record) -> const std::string& { return record.name; };

    NameMap<Texture> texture_names;
    NameMap<ShaderProgram> program_names;
    NameMap<Font> font_names;
    NameMap<FontTexture> font_texture_names;
    NameMap<Data> data_names;
    NameMap<Effect> effect_names;
    NameMap<AudioSample> sample_names;
    NameMap<EventGroup> group_names;
    NameMap<Event> event_names;

    load(textures, document_key(L::Textures), by_name, texture_names);
    load(
        shaders, document_key(L::Shaders),
        [](const ShaderProgram& p) -> const std::string& { return p.fragment_shader_filename; }, program_names);
    load(fonts, document_key(L::Fonts), by_name, font_names);
    load(font_textures, document_key(L::FontTextures), by_name, font_texture_names);
    for (auto& font_texture : font_textures) {
        font_texture->link_font(font_names);
        font_texture->create();
    }
    load(datas, document_key(L::Datas), by_name, data_names);
    NameMap<Model> model_names;
    NameMap<Scene> scene_names;
    load(
        models, document_key(L::Models), [](const Model& m) -> const std::string& { return m.filename; }, model_names);
    load(scenes, document_key(L::Scenes), by_name, scene_names);
    // Every scene exists before any is linked: scenes may borrow the camera
    // of a later one.
    const auto& scene_values = elements(document_key(L::Scenes));
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const JsonValue& entry = scene_values[i];
        if (Scene* named = resolve_name(scene_names, entry["name"].as_string()))
            named->link_by_name(entry, model_names, scene_names);
    }

    const auto& effect_values = elements(document_key(L::Effects));
    load(effects, document_key(L::Effects), by_name, effect_names);
    // Every effect exists before any is linked: inputs may name later effects.
    for (std::size_t i = 0; i < effects.size(); ++i)
        effects[i]->link_references(effect_values[i], effect_names, texture_names, program_names, font_texture_names,
                                    scene_names);

    load(audio_samples, document_key(L::AudioSamples), by_name, sample_names);
    load(event_groups, document_key(L::EventGroups), by_name, group_names);
    load(events, document_key(L::Events), by_name, event_names);
    for (auto& event : events) event->link_by_name(effect_names, sample_names, group_names);
    for (auto& group : event_groups) group->link_by_name(event_names);
    refuse_group_cycles(event_groups);

    music = load_resource_buffer(value, document_key(V::Music), kDefaultMusicPath);
    end_beat = static_cast<float>(value[document_key(V::EndBeat)].as_float());
    bpm = static_cast<float>(value[document_key(V::Bpm)].as_float());
    beat_offset = static_cast<float>(value[document_key(V::BeatOffset)].as_float());
    finish_load();
}

void Demo::finish_load() {
    audio_texture = std::make_unique<Texture>(1024, 2);
    report_progress(record_count, record_count);
}

void Demo::post_load() {
    // One expander for the whole list: a file named by many programs is expanded once.
    IncludeExpander includes = includes_of(shaders);
    for (auto& program : shaders) program->rebuild(includes);
    set_up_effects();
}

void Demo::set_up_effects() {
    for (auto& effect : effects) effect->setup_gpu_objects();
}

void Demo::warm_up() {
    for (auto& effect : effects) effect->render({}, false);
}

void Demo::start_music() {
    if (!music || music->len == 0) return;
    SDL_RWops* stream = SDL_RWFromConstMem(music->data.get(), static_cast<int>(music->len));
    music_stream = Mix_LoadMUS_RW(stream, 1);
    Mix_RegisterEffect(MIX_CHANNEL_POST, analyse_audio, nullptr, this);
    if (music_stream) Mix_PlayMusic(music_stream, 0);
}

void Demo::stop_music() {
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    Mix_UnregisterEffect(MIX_CHANNEL_POST, analyse_audio);
    reset_audio_analysis();
    if (music_stream) Mix_FreeMusic(music_stream);
    music_stream = nullptr;
}

Effect* Demo::evaluate_frame(float beat) {
    glBindTexture(GL_TEXTURE_2D, audio_texture->texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, audio_texture->width, audio_texture->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 acquire_audio_capture());
    return evaluate_events(events, *audio_texture, beat);
}

const ShaderProgram::ProgramList* document_programs() {
    return current_document ? &current_document->shaders : nullptr;
}

}  // namespace quillbarrow
