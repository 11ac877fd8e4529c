#pragma once

#include <cstdint>
#include <string>

#include "serialization/serializable.h"

namespace quillbarrow {

// One user uniform of a shader program: a float driven by the event tracks
// named after it. The range is carried for editing surfaces only; values
// outside it are sent unchanged.
class UniformDef : public ISerializable {
public:
    UniformDef() = default;
    explicit UniformDef(const JsonValue& value) { from_json(value); }
    explicit UniformDef(BinaryReader& in) { read(in); }

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    std::string name;
    float min_val = 0.0f;
    float max_val = 1.0f;
    float default_val = 0.0f;
    // Location in the owning program after its last link, -1 when the linked
    // program has no active uniform of this name. Not persisted.
    std::int32_t location = -1;
};

}  // namespace quillbarrow
