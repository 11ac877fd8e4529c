#include <gtest/gtest.h>

#include "render/uniform_def.h"
#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"

namespace quillbarrow {

namespace {

UniformDef sample_def() {
    UniformDef def;
    def.name = "glow";
    def.min_val = -2.5f;
    def.max_val = 8.0f;
    def.default_val = 0.75f;
    def.location = 12;
    return def;
}

void expect_same(const UniformDef& a, const UniformDef& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.min_val, b.min_val);
    EXPECT_EQ(a.max_val, b.max_val);
    EXPECT_EQ(a.default_val, b.default_val);
}

TEST(UniformDefForms, Defaults) {
    const UniformDef def;
    EXPECT_EQ(def.name, "");
    EXPECT_EQ(def.min_val, 0.0f);
    EXPECT_EQ(def.max_val, 1.0f);
    EXPECT_EQ(def.default_val, 0.0f);
    EXPECT_EQ(def.location, -1);
}

TEST(UniformDefForms, RoundTripsWithoutLocation) {
    const UniformDef def = sample_def();
    const UniformDef from_json(JsonValue::parse(def.to_json(false).dump()));
    expect_same(def, from_json);
    EXPECT_EQ(from_json.location, -1);

    BinaryWriter out;
    def.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    const UniformDef from_binary(in);
    EXPECT_EQ(in.remaining(), 0u);
    expect_same(def, from_binary);
    EXPECT_EQ(from_binary.location, -1);
}

TEST(UniformDefForms, IntegerNumbersReadAsZero) {
    const UniformDef def(JsonValue::parse(R"({"name": "k", "min_val": -1.0, "max_val": 5, "default_val": 3})"));
    EXPECT_EQ(def.min_val, -1.0f);
    EXPECT_EQ(def.max_val, 0.0f);
    EXPECT_EQ(def.default_val, 0.0f);
    // Written back as floats, so they read as floats.
    JsonValue json = sample_def().to_json(false);
    EXPECT_EQ(json["default_val"].kind(), JsonValue::Kind::Float);
    EXPECT_EQ(json["max_val"].as_float(), 8.0);
}

}  // namespace

}  // namespace quillbarrow
