#pragma once

#include <filesystem>
#include <string>

#include "lint/findings.h"
#include "lint/key_positions.h"
#include "serialization/json_value.h"
#include "timeline/event.h"

namespace quillbarrow {

// What every check needs: the parsed project, where its keys are, where its
// resources live, and where findings go.
struct LintContext {
    std::string project_file;      // as named on the command line
    std::filesystem::path folder;  // resource paths are relative to it
    const JsonValue& root;
    const KeyPositions& positions;
    Findings& findings;

    void error(const std::string& path, const std::string& message) const;
    void warning(const std::string& path, const std::string& message) const;
    // A project-relative file as the user would open it from where they ran the tool.
    std::string shown_path(const std::string& relative) const;
};

// Lookups that never insert: JsonValue's own operator[] inserts the key.
const JsonValue* member(const JsonValue& object, const std::string& key);
const JsonValue::Array& elements_of(const JsonValue* array);
// The member's string, or "" for an absent key or another kind.
std::string string_member(const JsonValue& object, const std::string& key);
// A double read only when the member is a float.
bool float_member(const JsonValue& object, const std::string& key, double& out);
// An event's type as the reader reads it: an effect event when the key is absent.
std::int64_t event_type(const JsonValue& event);
constexpr bool is(std::int64_t type, EventType kind) { return type == static_cast<std::int64_t>(kind); }
// "3", "2.5", "a string": how a value is named in messages.
std::string describe_value(const JsonValue& value);

}  // namespace quillbarrow
