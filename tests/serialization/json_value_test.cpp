#include <gtest/gtest.h>

#include "serialization/json_value.h"

namespace quillbarrow {

TEST(JsonValue, TypedReadsAreLenient) {
    EXPECT_EQ(JsonValue(2.5).as_float(), 2.5);
    EXPECT_EQ(JsonValue(100).as_float(), 0.0);  // an integer-kind number is not a float
    EXPECT_EQ(JsonValue(100).as_int(), 100);
    EXPECT_EQ(JsonValue(2.5).as_int(), 0);
    EXPECT_TRUE(JsonValue(true).as_bool());
    EXPECT_FALSE(JsonValue(1).as_bool());
    EXPECT_FALSE(JsonValue("true").as_bool());
    EXPECT_EQ(JsonValue("abc").as_string(), "abc");
    EXPECT_EQ(JsonValue(3).as_string(), "");
    EXPECT_EQ(JsonValue().as_string(), "");
}

TEST(JsonValue, SizeIsMinusOneForScalars) {
    EXPECT_EQ(JsonValue().size(), -1);
    EXPECT_EQ(JsonValue(1).size(), -1);
    EXPECT_EQ(JsonValue("x").size(), -1);
    EXPECT_EQ(JsonValue::object().size(), 0);
    EXPECT_EQ(JsonValue::array().size(), 0);
}

TEST(JsonValue, KeyLookupConvertsAndInserts) {
    JsonValue v(5);
    JsonValue& member = v["name"];
    EXPECT_EQ(member.kind(), JsonValue::Kind::Null);
    EXPECT_TRUE(v.is_object());
    EXPECT_EQ(v.size(), 1);
    EXPECT_TRUE(v.has("name"));

    // A reader holding a const reference still leaves the keys it asked for.
    const JsonValue& source = v;
    EXPECT_EQ(source["end_beat"].as_float(), 0.0);
    EXPECT_TRUE(v.has("end_beat"));
    EXPECT_EQ(v.size(), 2);
}

TEST(JsonValue, KeyTestNeverInserts) {
    JsonValue v = JsonValue::object();
    EXPECT_FALSE(v.has("missing"));
    EXPECT_EQ(v.size(), 0);
    JsonValue scalar(1);
    EXPECT_FALSE(scalar.has("x"));
    EXPECT_EQ(scalar.kind(), JsonValue::Kind::Integer);
}

TEST(JsonValue, IndexAccessConvertsAndAppends) {
    JsonValue v("text");
    v[2] = JsonValue(7);
    ASSERT_TRUE(v.is_array());
    EXPECT_EQ(v.size(), 3);
    EXPECT_EQ(v[0].kind(), JsonValue::Kind::Null);
    EXPECT_EQ(v[2].as_int(), 7);
    EXPECT_EQ(v.as_string(), "");  // the old content is dropped
}

TEST(JsonValue, ObjectsAreOrderedByKey) {
    JsonValue v = JsonValue::object();
    v["zeta"] = 1;
    v["alpha"] = 2;
    v["Mid"] = 3;
    std::vector<std::string> keys;
    for (const auto& [key, value] : v.members()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"Mid", "alpha", "zeta"}));
}

TEST(JsonValue, TextKeepsFloatAndIntegerApart) {
    JsonValue v = JsonValue::parse(R"({"a": 100, "b": 100.0, "c": -3, "d": 1e2, "e": "s", "f": true, "g": null,
                                      "h": [1, 2.5]})");
    EXPECT_EQ(v["a"].kind(), JsonValue::Kind::Integer);
    EXPECT_EQ(v["b"].kind(), JsonValue::Kind::Float);
    EXPECT_EQ(v["b"].as_float(), 100.0);
    EXPECT_EQ(v["c"].as_int(), -3);
    EXPECT_EQ(v["d"].kind(), JsonValue::Kind::Float);
    EXPECT_EQ(v["h"][1].as_float(), 2.5);

    // A float with an integral value must still read back as a float.
    JsonValue out = JsonValue::object();
    out["end_beat"] = 480.0f;
    out["count"] = 480;
    out["nested"]["list"][1] = "x";
    JsonValue back = JsonValue::parse(out.dump());
    EXPECT_EQ(back, out);
    EXPECT_EQ(back["end_beat"].kind(), JsonValue::Kind::Float);
    EXPECT_EQ(back["count"].kind(), JsonValue::Kind::Integer);
}

TEST(JsonValue, SyntaxErrorNamesSourceLineAndColumn) {
    try {
        JsonValue::parse("{\n  \"a\": 1,\n  \"b\": tru\n}", "project.json");
        FAIL() << "no error";
    } catch (const JsonSyntaxError& e) {
        std::string what = e.what();
        EXPECT_EQ(what.rfind("project.json:3:", 0), 0u) << what;
    }
    EXPECT_THROW(JsonValue::parse("", "empty.json"), JsonSyntaxError);
    EXPECT_THROW(JsonValue::parse("[1, 2", "cut.json"), JsonSyntaxError);
}

TEST(JsonValue, NestingIsBoundedAndReportedWhereItGoesTooDeep) {
    const std::string deep = "{\"a\":\n" + std::string(200000, '[') + std::string(200000, ']') + "}";
    try {
        JsonValue::parse(deep, "deep.json");
        FAIL() << "no error";
    } catch (const JsonSyntaxError& e) {
        // The 512th bracket of line 2 opens level 513.
        EXPECT_STREQ(e.what(), "deep.json:2:512: nesting deeper than 512 levels");
    }
    // Brackets inside strings are text, and 512 levels are fine.
    std::string ok = std::string(511, '[') + "{\"k\": \"[[[\\\"[[\"}" + std::string(511, ']');
    EXPECT_EQ(JsonValue::parse(ok).size(), 1);
}

}  // namespace quillbarrow
