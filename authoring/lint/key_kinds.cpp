#include "lint/key_kinds.h"

#include <array>

#include "document/demo.h"

namespace quillbarrow {

namespace {

using V = ValueKind;
using R = RecordKind;

constexpr KeyRule kDocument[] = {
    {document_key(DocumentList::Events), V::RecordList, R::Event},
    {document_key(DocumentList::Effects), V::RecordList, R::Effect},
    {document_key(DocumentList::Shaders), V::RecordList, R::Shader},
    {document_key(DocumentList::Textures), V::RecordList, R::Texture},
    {document_key(DocumentList::AudioSamples), V::RecordList, R::AudioSample},
    {document_key(DocumentList::EventGroups), V::RecordList, R::EventGroup},
    {document_key(DocumentList::Fonts), V::RecordList, R::Font},
    {document_key(DocumentList::FontTextures), V::RecordList, R::FontTexture},
    {document_key(DocumentList::Datas), V::RecordList, R::Data},
    {document_key(DocumentList::Models), V::RecordList, R::Model},
    {document_key(DocumentList::Scenes), V::RecordList, R::Scene},
    {document_key(DocumentValue::Music), V::String},
    {document_key(DocumentValue::EndBeat), V::Float},
    {document_key(DocumentValue::Bpm), V::Float},
    {document_key(DocumentValue::BeatOffset), V::Float},
    {"$schema", V::String},  // for editors; the reader ignores it
};
constexpr KeyRule kEvent[] = {
    {"type", V::Integer},        {"name", V::String},
    {"visible", V::VisibleText}, {"effect", V::String},
    {"audio_sample", V::String}, {"group", V::String},
    {"start_beat", V::Float},    {"end_beat", V::Float},
    {"beat", V::Float},          {"control_points", V::TrackMap, R::Track},
};
constexpr KeyRule kTrack[] = {
    {"control_points", V::RecordList, R::ControlPoint}, {"mode", V::Integer}, {"repeat", V::Boolean}};
constexpr KeyRule kControlPoint[] = {{"beat", V::Float}, {"value", V::Float}, {"text", V::String}};
constexpr KeyRule kEventGroup[] = {{"name", V::String}, {"events", V::StringList}};
constexpr KeyRule kEffect[] = {
    {"name", V::String},        {"program", V::String},           {"textures", V::StringList},
    {"effects", V::StringList}, {"font_textures", V::StringList}, {"scene", V::String},
    {"feedback", V::Boolean},   {"screen_texture", V::Boolean},
};
constexpr KeyRule kShader[] = {
    {"vertex_shader_filename", V::String},
    {"fragment_shader_filename", V::String},
    {"vertex_shader_source", V::String},
    {"fragment_shader_source", V::String},
    {"uniform_defs", V::RecordList, R::UniformDef},
};
constexpr KeyRule kUniformDef[] = {
    {"name", V::String}, {"min_val", V::Float}, {"max_val", V::Float}, {"default_val", V::Float}};
constexpr KeyRule kTexture[] = {{"name", V::String}, {"image_buffer", V::String}};
constexpr KeyRule kAudioSample[] = {{"name", V::String}, {"audio_buffer", V::String}};
constexpr KeyRule kData[] = {{"name", V::String}, {"data_buffer", V::String}};
constexpr KeyRule kFont[] = {
    {"name", V::String}, {"filename", V::String}, {"ptsize", V::Integer}, {"font_buffer", V::String}};
constexpr KeyRule kFontTexture[] = {
    {"name", V::String}, {"width", V::Integer},  {"height", V::Integer},
    {"font", V::String}, {"center", V::Boolean}, {"chars_per_beat", V::Integer},
};
constexpr KeyRule kModel[] = {{"filename", V::String}, {"buffer", V::String}};
constexpr KeyRule kScene[] = {
    {"name", V::String},
    {"camera", V::Record, R::Camera},
    {"root_node", V::Record, R::Node},
    {"camera_scene_only_direction", V::Boolean},
    {"camera_scene", V::String},
};
constexpr KeyRule kCamera[] = {
    {"position", V::FloatTriple},
    {"direction", V::FloatTriple},
    {"up", V::FloatTriple},
    {"aspect", V::Float},
    {"fov", V::Float},
    {"znear", V::Float},
    {"zfar", V::Float},
    {"direction_mode", V::Boolean},
};
constexpr KeyRule kNode[] = {{"name", V::String}, {"model", V::String}};

struct KindInfo {
    std::span<const KeyRule> keys;
    const char* description;
    const char* schema;
};

const KindInfo& info(RecordKind kind) {
    static const KindInfo table[] = {
        {kDocument, "the project", "project"},
        {kEvent, "an event", "event"},
        {kTrack, "a track", "track"},
        {kControlPoint, "a control point", "control_point"},
        {kEventGroup, "an event group", "event_group"},
        {kEffect, "an effect", "effect"},
        {kShader, "a shader", "shader"},
        {kUniformDef, "a uniform definition", "uniform_def"},
        {kTexture, "a texture", "texture"},
        {kAudioSample, "an audio sample", "audio_sample"},
        {kData, "a data record", "data"},
        {kFont, "a font", "font"},
        {kFontTexture, "a font texture", "font_texture"},
        {kModel, "a model", "model"},
        {kScene, "a scene", "scene"},
        {kCamera, "a camera", "camera"},
        {kNode, "a node", "node"},
    };
    return table[static_cast<int>(kind)];
}

constexpr std::array kAllKinds = {R::Document,    R::Event,      R::Track,   R::ControlPoint, R::EventGroup, R::Effect,
                                  R::Shader,      R::UniformDef, R::Texture, R::AudioSample,  R::Data,       R::Font,
                                  R::FontTexture, R::Model,      R::Scene,   R::Camera,       R::Node};

}  // namespace

std::span<const KeyRule> keys_of(RecordKind kind) { return info(kind).keys; }

const KeyRule* find_key(RecordKind kind, const std::string& key) {
    for (const KeyRule& rule : keys_of(kind))
        if (key == rule.key) return &rule;
    return nullptr;
}

const char* record_description(RecordKind kind) { return info(kind).description; }
const char* schema_name(RecordKind kind) { return info(kind).schema; }
std::span<const RecordKind> all_record_kinds() { return kAllKinds; }

}  // namespace quillbarrow
