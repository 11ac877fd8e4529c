#pragma once

#include <cstdint>
#include <string>

#include "serialization/object_key.h"
#include "serialization/serializable.h"

namespace quillbarrow {

class Model;

// The scene's root node: it names the model the scene shows.
class Node : public ISerializable {
public:
    Node() = default;
    explicit Node(const JsonValue& value) { from_json(value); }
    explicit Node(BinaryReader& in) { read(in); }

    // "name" always, "model" (the model's filename) when there is one.
    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    // Reads only "name"; the scene links "model".
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    Model* model = nullptr;
    std::string name;

    // The model's key between a binary read and the scene's resolution, and
    // a model name that matched nothing (kept so a JSON write loses nothing).
    std::uint64_t model_key = 0;
    std::string unresolved_model;
};

}  // namespace quillbarrow
