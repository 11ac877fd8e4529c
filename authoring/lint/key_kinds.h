#pragma once

#include <span>
#include <string>

namespace quillbarrow {

// What the project reader expects under each key of each record kind. The
// reader is lenient (a wrong kind reads as 0, 0.0, false or ""), so these
// tables are what lets the linter say where a project silently loses values.

enum class ValueKind {
    Float,
    Integer,
    Boolean,
    String,
    VisibleText,  // the string "true" or "false"
    StringList,   // an array of names
    FloatTriple,  // an array of three floats
    RecordList,   // an array of records of the key's record kind
    Record,       // one record of the key's record kind
    TrackMap,     // an object whose members are tracks
};

enum class RecordKind {
    Document,
    Event,
    Track,
    ControlPoint,
    EventGroup,
    Effect,
    Shader,
    UniformDef,
    Texture,
    AudioSample,
    Data,
    Font,
    FontTexture,
    Model,
    Scene,
    Camera,
    Node,
};

struct KeyRule {
    const char* key;
    ValueKind kind;
    RecordKind record = RecordKind::Document;  // element kind of RecordList, Record and TrackMap
};

std::span<const KeyRule> keys_of(RecordKind kind);
const KeyRule* find_key(RecordKind kind, const std::string& key);
// "an effect", for messages.
const char* record_description(RecordKind kind);
// The schema's $defs name of the record kind: "effect".
const char* schema_name(RecordKind kind);
std::span<const RecordKind> all_record_kinds();

}  // namespace quillbarrow
