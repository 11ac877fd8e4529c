#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/audio_sample.h"
#include "document/data.h"
#include "document/font.h"
#include "document/font_texture.h"
#include "document/texture.h"
#include "render/effect.h"
#include "render/shader_program.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "serialization/byte_buffer.h"
#include "serialization/serializable.h"
#include "timeline/event.h"
#include "timeline/event_group.h"

namespace quillbarrow {

// The keys of a JSON document: its eleven record lists, in the order of the
// binary form, and its other values. The reader and writer name them only
// through these tables, so the tools that check a project know every one.
enum class DocumentList {
    Events,
    Effects,
    Shaders,
    Textures,
    AudioSamples,
    EventGroups,
    Fonts,
    FontTextures,
    Datas,
    Models,
    Scenes,
    Count,
};
inline constexpr std::array<const char*, static_cast<std::size_t>(DocumentList::Count)> kDocumentListKeys = {
    "events", "effects",       "shaders", "textures", "audio_samples", "event_groups",
    "fonts",  "font_textures", "datas",   "models",   "scenes"};
enum class DocumentValue { Music, EndBeat, Bpm, BeatOffset, Count };
inline constexpr std::array<const char*, static_cast<std::size_t>(DocumentValue::Count)> kDocumentValueKeys = {
    "music", "end_beat", "bpm", "beat_offset"};
constexpr const char* document_key(DocumentList list) { return kDocumentListKeys[static_cast<std::size_t>(list)]; }
constexpr const char* document_key(DocumentValue value) { return kDocumentValueKeys[static_cast<std::size_t>(value)]; }
// The music file a project reads when it embeds none.
inline constexpr char kDefaultMusicPath[] = "resources/music.mp3";

template <class T>
using RecordList = std::vector<std::unique_ptr<T>>;

// The root of a production: its eleven record lists, music and tempo. The
// list order here is the order of the binary form.
class Demo : public ISerializable {
public:
    Demo() = default;
    explicit Demo(const JsonValue& value) { from_json(value); }
    explicit Demo(BinaryReader& in) { read(in); }
    ~Demo() override = default;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    // Compiles every program (now that includes can see every program) and
    // sets up every effect.
    void post_load();
    // post_load's last step, for a caller that builds the programs one at a
    // time itself.
    void set_up_effects();
    // Draws every effect once, so first frames do not stall.
    void warm_up();
    // Opens the music from memory, installs the live analysis and plays the
    // music once. No music: nothing plays.
    void start_music();
    // Halts the music and every sample, and closes the music: start_music
    // plays it again from the start.
    void stop_music();
    // Draws one frame; returns the effect drawn last or none.
    Effect* evaluate_frame(float beat);

    RecordList<Event> events;
    RecordList<Effect> effects;
    RecordList<ShaderProgram> shaders;
    RecordList<Texture> textures;
    RecordList<AudioSample> audio_samples;
    RecordList<EventGroup> event_groups;
    RecordList<Font> fonts;
    RecordList<FontTexture> font_textures;
    RecordList<Data> datas;
    RecordList<Model> models;
    RecordList<Scene> scenes;

    std::unique_ptr<ByteBuffer> music = std::make_unique<ByteBuffer>();
    float end_beat = 480.0f;
    float bpm = 130.0f;
    float beat_offset = 0.5f;
    std::unique_ptr<Texture> audio_texture;
    std::uint64_t record_count = 0;

    // Sum of the eleven list sizes.
    std::uint64_t count_records() const;

private:
    friend class DocumentReading;
    void finish_load();
};

}  // namespace quillbarrow
