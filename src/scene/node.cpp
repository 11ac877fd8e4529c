#include "scene/node.h"

#include "scene/model.h"

namespace quillbarrow {

JsonValue Node::to_json(bool /*export_resources*/) const {
    JsonValue json = JsonValue::object();
    json["name"] = JsonValue(name);
    if (model)
        json["model"] = JsonValue(model->filename);
    else if (!unresolved_model.empty())
        json["model"] = JsonValue(unresolved_model);
    return json;
}

void Node::write(BinaryWriter& out) const {
    out.write_string(name);
    out.write_reference(model);
}

void Node::from_json(const JsonValue& value) { name = value["name"].as_string(); }

void Node::read(BinaryReader& in) {
    name = in.read_string("node name");
    model_key = in.read_key("node model key");
}

}  // namespace quillbarrow
