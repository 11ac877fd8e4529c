#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"

namespace quillbarrow {

TEST(BinaryPrimitives, LittleEndianFixedWidths) {
    BinaryWriter out;
    out.write_bool(true);
    out.write_u8(0xAB);
    out.write_i32(-2);
    out.write_f32(1.0f);
    out.write_u64(0x0102030405060708ull);
    std::vector<std::uint8_t> expected = {1,    0xAB, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80,
                                          0x3F, 8,    7,    6,    5,    4,    3,    2,    1};
    EXPECT_EQ(out.bytes(), expected);
}

TEST(BinaryPrimitives, EveryPrimitiveRoundTrips) {
    BinaryWriter out;
    out.write_bool(false);
    out.write_bool(true);
    out.write_u8(255);
    out.write_i32(std::numeric_limits<std::int32_t>::min());
    out.write_i32(123456789);
    out.write_f32(-0.0f);
    out.write_f32(std::numeric_limits<float>::infinity());
    out.write_f32(3.14159f);
    out.write_vec3({1.5f, -2.25f, 1e-30f});
    out.write_count(3);
    out.write_key(0xFFFFFFFFFFFFFFFFull);
    out.write_string("a text that repeats, a text that repeats, a text that repeats");
    out.write_string("");

    BinaryReader in(out.bytes().data(), out.size());
    EXPECT_FALSE(in.read_bool("b0"));
    EXPECT_TRUE(in.read_bool("b1"));
    EXPECT_EQ(in.read_u8("u8"), 255);
    EXPECT_EQ(in.read_i32("i32"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(in.read_i32("i32"), 123456789);
    float negative_zero = in.read_f32("f");
    EXPECT_TRUE(std::signbit(negative_zero));
    EXPECT_EQ(in.read_f32("f"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(in.read_f32("f"), 3.14159f);
    glm::vec3 v = in.read_vec3("v");
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, -2.25f);
    EXPECT_EQ(v.z, 1e-30f);
    EXPECT_EQ(in.read_count("count", 1), 3u);
    EXPECT_EQ(in.read_key("key"), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(in.read_string("s"), "a text that repeats, a text that repeats, a text that repeats");
    EXPECT_EQ(in.read_string("s"), "");
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(BinaryPrimitives, ReferencesUseTheKeyTable) {
    int a = 0, b = 0, c = 0;
    std::unordered_map<const void*, std::uint64_t> keys = {{&a, 1}, {&b, 2}};
    BinaryWriter out;
    out.set_key_table(&keys);
    out.write_reference(&b);
    out.write_reference(nullptr);
    out.write_reference(&c);  // not a top-level record: no key
    BinaryReader in(out.bytes().data(), out.size());
    EXPECT_EQ(in.read_key("r"), 2u);
    EXPECT_EQ(in.read_key("r"), 0u);
    EXPECT_EQ(in.read_key("r"), 0u);
}

TEST(BoundedReader, StopsAtTheEndWithFieldAndOffset) {
    BinaryWriter out;
    out.write_i32(7);
    out.write_string("name");
    for (std::size_t cut = 0; cut < out.size(); ++cut) {
        BinaryReader in(out.bytes().data(), cut);
        try {
            in.read_i32("width");
            in.read_string("record name");
            FAIL() << "cut at " << cut << " read through";
        } catch (const FormatError& e) {
            std::string what = e.what();
            if (cut < 4) {
                EXPECT_NE(what.find("width at offset 0"), std::string::npos) << what;
            } else {
                EXPECT_NE(what.find("record name at offset 4"), std::string::npos) << what;
            }
        }
    }
}

TEST(BoundedReader, RefusesCountsThatCannotFit) {
    BinaryWriter out;
    out.write_count(1ull << 60);
    out.write_bytes(std::string(92, 'x').data(), 92);
    BinaryReader in(out.bytes().data(), out.size());
    EXPECT_THROW(in.read_count("event list count", 8), FormatError);
    EXPECT_EQ(in.offset(), 0u);  // the count is not consumed

    BinaryWriter fits;
    fits.write_count(4);
    fits.write_bytes("abcdefgh", 8);
    BinaryReader ok(fits.bytes().data(), fits.size());
    EXPECT_EQ(ok.read_count("points", 2), 4u);
    BinaryReader tight(fits.bytes().data(), fits.size());
    EXPECT_THROW(tight.read_count("points", 3), FormatError);
}

TEST(BoundedReader, StringLengthPastTheEndFails) {
    BinaryWriter out;
    out.write_u64(0xFFFFFFFFFFFFFFF0ull);
    out.write_bytes("abc", 3);
    BinaryReader in(out.bytes().data(), out.size());
    EXPECT_THROW(in.read_string("shader source"), FormatError);
}

}  // namespace quillbarrow
