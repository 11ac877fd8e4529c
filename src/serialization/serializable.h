#pragma once

#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"
#include "serialization/json_value.h"

namespace quillbarrow {

// Every content record has a JSON form (the authoring tool's project) and a
// binary form (what the player reads from its own executable).
class ISerializable {
public:
    // export_resources: large resources go to their own files instead of
    // being embedded in the JSON.
    virtual JsonValue to_json(bool export_resources) const = 0;
    virtual void write(BinaryWriter& out) const = 0;
    virtual void from_json(const JsonValue& value) = 0;
    virtual void read(BinaryReader& in) = 0;

    virtual ~ISerializable() = default;
};

}  // namespace quillbarrow
