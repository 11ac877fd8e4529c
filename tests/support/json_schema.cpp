#include "support/json_schema.h"

#include <set>

namespace quillbarrow {

namespace {

using nlohmann::json;

bool has_type(const json& value, const std::string& type) {
    if (type == "object") return value.is_object();
    if (type == "array") return value.is_array();
    if (type == "string") return value.is_string();
    if (type == "boolean") return value.is_boolean();
    if (type == "integer") return value.is_number_integer();
    if (type == "number") return value.is_number();
    if (type == "null") return value.is_null();
    return false;
}

class Validator {
public:
    explicit Validator(const json& root) : root_(root) {}

    void check(const json& schema, const json& value, const std::string& path) {
        static const std::set<std::string> annotations = {"$schema", "$id", "$defs", "title", "description", "default"};
        static const std::set<std::string> keywords = {"type",     "properties", "required", "additionalProperties",
                                                       "items",    "enum",       "minimum",  "maximum",
                                                       "minItems", "maxItems",   "$ref"};
        if (schema.is_boolean()) {
            if (!schema.get<bool>()) fail(path, "no value is allowed here");
            return;
        }
        for (const auto& [keyword, ignored] : schema.items())
            if (!annotations.count(keyword) && !keywords.count(keyword)) fail(path, "unsupported keyword " + keyword);

        if (schema.contains("$ref")) check(resolve(schema["$ref"].get<std::string>()), value, path);
        if (schema.contains("type")) {
            const json& type = schema["type"];
            bool matches = false;
            if (type.is_string())
                matches = has_type(value, type.get<std::string>());
            else
                for (const json& t : type) matches = matches || has_type(value, t.get<std::string>());
            if (!matches) {
                fail(path, "is not of type " + type.dump());
                return;
            }
        }
        if (schema.contains("enum")) {
            bool found = false;
            for (const json& allowed : schema["enum"]) found = found || allowed == value;
            if (!found) fail(path, "is not one of " + schema["enum"].dump());
        }
        if (value.is_number()) {
            if (schema.contains("minimum") && value.get<double>() < schema["minimum"].get<double>())
                fail(path, "is below the minimum " + schema["minimum"].dump());
            if (schema.contains("maximum") && value.get<double>() > schema["maximum"].get<double>())
                fail(path, "is above the maximum " + schema["maximum"].dump());
        }
        if (value.is_object()) check_object(schema, value, path);
        if (value.is_array()) {
            if (schema.contains("minItems") && value.size() < schema["minItems"].get<std::size_t>())
                fail(path, "has fewer than " + schema["minItems"].dump() + " items");
            if (schema.contains("maxItems") && value.size() > schema["maxItems"].get<std::size_t>())
                fail(path, "has more than " + schema["maxItems"].dump() + " items");
            if (schema.contains("items"))
                for (std::size_t i = 0; i < value.size(); ++i)
                    check(schema["items"], value[i], path + "[" + std::to_string(i) + "]");
        }
    }

    std::vector<std::string> errors;

private:
    void check_object(const json& schema, const json& value, const std::string& path) {
        const json none = json::object();
        const json& properties = schema.contains("properties") ? schema["properties"] : none;
        if (schema.contains("required"))
            for (const json& key : schema["required"])
                if (!value.contains(key.get<std::string>())) fail(path, "lacks required key " + key.dump());
        for (const auto& [key, member] : value.items()) {
            const std::string child = path.empty() ? key : path + "." + key;
            if (properties.contains(key))
                check(properties[key], member, child);
            else if (schema.contains("additionalProperties"))
                check(schema["additionalProperties"], member, child);
        }
    }

    const json& resolve(const std::string& ref) {
        static const std::string prefix = "#/$defs/";
        static const json nothing = false;
        if (ref.compare(0, prefix.size(), prefix) != 0 || !root_.contains("$defs") ||
            !root_.at("$defs").contains(ref.substr(prefix.size()))) {
            fail("", "unresolvable $ref " + ref);
            return nothing;
        }
        return root_.at("$defs").at(ref.substr(prefix.size()));
    }

    void fail(const std::string& path, const std::string& reason) {
        errors.push_back((path.empty() ? "(root)" : path) + ": " + reason);
    }

    const json& root_;
};

}  // namespace

std::vector<std::string> validate_against_schema(const nlohmann::json& schema, const nlohmann::json& instance) {
    Validator validator(schema);
    validator.check(schema, instance, "");
    return validator.errors;
}

}  // namespace quillbarrow
