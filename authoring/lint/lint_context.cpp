#include "lint/lint_context.h"

#include <cstdio>

namespace quillbarrow {

void LintContext::error(const std::string& path, const std::string& message) const {
    findings.add({Finding::Severity::Error, project_file, positions.line_of(path), 0, message, path});
}

void LintContext::warning(const std::string& path, const std::string& message) const {
    findings.add({Finding::Severity::Warning, project_file, positions.line_of(path), 0, message, path});
}

std::string LintContext::shown_path(const std::string& relative) const {
    return (std::filesystem::path(project_file).parent_path() / relative).lexically_normal().string();
}

const JsonValue* member(const JsonValue& object, const std::string& key) {
    if (!object.is_object()) return nullptr;
    auto found = object.members().find(key);
    return found == object.members().end() ? nullptr : &found->second;
}

const JsonValue::Array& elements_of(const JsonValue* array) {
    static const JsonValue::Array none;
    return array && array->is_array() ? array->elements() : none;
}

std::string string_member(const JsonValue& object, const std::string& key) {
    const JsonValue* value = member(object, key);
    return value && value->is_string() ? value->as_string() : std::string();
}

bool float_member(const JsonValue& object, const std::string& key, double& out) {
    const JsonValue* value = member(object, key);
    if (!value || value->kind() != JsonValue::Kind::Float) return false;
    out = value->as_float();
    return true;
}

std::int64_t event_type(const JsonValue& event) {
    const JsonValue* type = member(event, "type");
    return type ? type->as_int() : static_cast<std::int64_t>(EventType::Effect);
}

std::string describe_value(const JsonValue& value) {
    char text[64];
    switch (value.kind()) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::Object: return "an object";
    case JsonValue::Kind::Array: return "an array";
    case JsonValue::Kind::String: return "a string";
    case JsonValue::Kind::Boolean: return value.as_bool() ? "true" : "false";
    case JsonValue::Kind::Integer: return "the integer " + std::to_string(value.as_int());
    case JsonValue::Kind::Float: std::snprintf(text, sizeof text, "the float %g", value.as_float()); return text;
    }
    return "a value";
}

}  // namespace quillbarrow
