#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace quillbarrow {

// A validator for the part of JSON Schema (draft 2020-12) the project schema
// uses: type, properties, required, additionalProperties, items, enum,
// minimum, maximum, minItems, maxItems and local $ref into $defs. Any other
// keyword is reported, so the schema cannot rely on one that goes unchecked.
// Returns one message per violation, "path: reason"; empty when valid.
std::vector<std::string> validate_against_schema(const nlohmann::json& schema, const nlohmann::json& instance);

}  // namespace quillbarrow
