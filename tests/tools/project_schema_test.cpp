// docs/project.schema.json against the bundled examples, against projects
// it must refuse, and against the linter's key tables.

#include <fstream>

#include <gtest/gtest.h>

#include "lint/key_kinds.h"
#include "support/json_schema.h"

namespace quillbarrow {

namespace {

using nlohmann::json;

json read_json(const std::string& path) {
    std::ifstream in(path);
    return json::parse(in);
}

const json& schema() {
    static const json loaded = read_json(QB_SCHEMA_PATH);
    return loaded;
}

TEST(ProjectSchema, BundledExamplesAreValid) {
    for (const char* example : {"neon-drift", "ember-rig"}) {
        const auto errors = validate_against_schema(
            schema(), read_json(std::string(QB_EXAMPLES_DIR) + "/" + example + "/project.json"));
        EXPECT_TRUE(errors.empty()) << example << ": " << (errors.empty() ? "" : errors.front());
    }
}

TEST(ProjectSchema, RefusesWrongTypesUnknownKeysAndBadValues) {
    const std::pair<const char*, const char*> refused[] = {
        {R"({"bpm": "fast"})", "bpm: is not of type \"number\""},
        {R"({"effects": [{"nmae": "x"}]})", "effects[0].nmae: no value is allowed here"},
        {R"({"events": [{"visible": "yes"}]})", "events[0].visible: is not one of [\"true\",\"false\"]"},
        {R"({"events": [{"type": 300}]})", "events[0].type: is above the maximum 255"},
        {R"({"font_textures": [{"width": 1.5}]})", "font_textures[0].width: is not of type \"integer\""},
        {R"({"scenes": [{"camera": {"up": [0.0, 1.0]}}]})", "scenes[0].camera.up: has fewer than 3 items"},
        {R"({"events": [{"control_points": {"pulse": {"control_points": [{"value": true}]}}}]})",
         "events[0].control_points.pulse.control_points[0].value: is not of type \"number\""},
    };
    for (const auto& [text, expected] : refused) {
        const auto errors = validate_against_schema(schema(), json::parse(text));
        ASSERT_EQ(errors.size(), 1u) << text;
        EXPECT_EQ(errors[0], expected);
    }
}

// The JSON Schema form of what the linter expects under a key.
void expect_same_kind(const KeyRule& rule, const json& property, const std::string& where) {
    auto ref_to = [](RecordKind kind) { return std::string("#/$defs/") + schema_name(kind); };
    switch (rule.kind) {
    case ValueKind::Float: EXPECT_EQ(property.value("type", ""), "number") << where; break;
    case ValueKind::Integer: EXPECT_EQ(property.value("type", ""), "integer") << where; break;
    case ValueKind::Boolean: EXPECT_EQ(property.value("type", ""), "boolean") << where; break;
    case ValueKind::String: EXPECT_EQ(property.value("type", ""), "string") << where; break;
    case ValueKind::VisibleText: EXPECT_EQ(property.value("enum", json()), json({"true", "false"})) << where; break;
    case ValueKind::StringList: EXPECT_EQ(property["items"], json({{"type", "string"}})) << where; break;
    case ValueKind::FloatTriple:
        EXPECT_EQ(property["items"], json({{"type", "number"}})) << where;
        EXPECT_EQ(property.value("minItems", 0), 3) << where;
        break;
    case ValueKind::RecordList: EXPECT_EQ(property["items"].value("$ref", ""), ref_to(rule.record)) << where; break;
    case ValueKind::Record: EXPECT_EQ(property.value("$ref", ""), ref_to(rule.record)) << where; break;
    case ValueKind::TrackMap:
        EXPECT_EQ(property["additionalProperties"].value("$ref", ""), ref_to(rule.record)) << where;
        break;
    }
}

TEST(ProjectSchema, EveryRecordHasExactlyTheLinterKeysWithTheSameKinds) {
    for (RecordKind kind : all_record_kinds()) {
        const std::string name = schema_name(kind);
        ASSERT_TRUE(schema()["$defs"].contains(name)) << name;
        const json& record = schema()["$defs"][name];
        EXPECT_EQ(record.value("additionalProperties", true), false) << name;
        const json& properties = record["properties"];
        EXPECT_EQ(properties.size(), keys_of(kind).size()) << name;
        for (const KeyRule& rule : keys_of(kind)) {
            const std::string where = name + "." + rule.key;
            ASSERT_TRUE(properties.contains(rule.key)) << where;
            expect_same_kind(rule, properties[rule.key], where);
        }
    }
    EXPECT_EQ(schema()["$defs"].size(), all_record_kinds().size());
    EXPECT_EQ(schema()["$ref"], "#/$defs/project");
}

}  // namespace

}  // namespace quillbarrow
