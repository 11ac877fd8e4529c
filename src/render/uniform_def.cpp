#include "render/uniform_def.h"

namespace quillbarrow {

JsonValue UniformDef::to_json(bool /*export_resources*/) const {
    JsonValue json = JsonValue::object();
    json["name"] = JsonValue(name);
    json["min_val"] = JsonValue(min_val);
    json["max_val"] = JsonValue(max_val);
    json["default_val"] = JsonValue(default_val);
    return json;
}

void UniformDef::write(BinaryWriter& out) const {
    out.write_string(name);
    out.write_f32(min_val);
    out.write_f32(max_val);
    out.write_f32(default_val);
}

void UniformDef::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    // Numbers held as integers read as 0.0, like every float field.
    min_val = static_cast<float>(value["min_val"].as_float());
    max_val = static_cast<float>(value["max_val"].as_float());
    default_val = static_cast<float>(value["default_val"].as_float());
}

void UniformDef::read(BinaryReader& in) {
    name = in.read_string("uniform name");
    min_val = in.read_f32("uniform min_val");
    max_val = in.read_f32("uniform max_val");
    default_val = in.read_f32("uniform default_val");
}

}  // namespace quillbarrow
