#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "serialization/content_trailer.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

std::string temp_file(const std::string& name, const std::string& content) {
    std::string path = private_temp_path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string packed(const std::string& program, const std::string& payload) {
    std::string path = temp_file("packed.bin", program);
    std::FILE* f = std::fopen(path.c_str(), "ab");
    std::vector<std::uint8_t> bytes(payload.begin(), payload.end());
    EXPECT_TRUE(append_payload(f, bytes));
    std::fclose(f);
    return path;
}

}  // namespace

TEST(ContentTrailer, AppendedPayloadIsFoundAgain) {
    std::string path = packed("#!fake executable bytes", "the payload");
    PayloadRead read = read_payload(path);
    ASSERT_EQ(read.status, TrailerStatus::Found);
    EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), "the payload");

    std::FILE* f = std::fopen(path.c_str(), "rb");
    PayloadLocation where = locate_payload(f);
    EXPECT_EQ(where.offset, 23u);
    EXPECT_EQ(where.length, 11u);
    EXPECT_EQ(std::ftell(f), 23);
    std::fclose(f);
}

TEST(ContentTrailer, LayoutIsPayloadLengthMagic) {
    std::string path = packed("", "xyz");
    std::ifstream in(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, std::string("xyz\x03\x00\x00\x00"
                               "DEMO",
                               11));
}

TEST(ContentTrailer, EmptyPayloadIsFound) {
    PayloadRead read = read_payload(packed("program", ""));
    EXPECT_EQ(read.status, TrailerStatus::Found);
    EXPECT_TRUE(read.bytes.empty());
}

TEST(ContentTrailer, AnyDifferingMagicByteIsMissing) {
    std::string good = std::string("program") + "abc" + std::string("\x03\x00\x00\x00", 4);
    for (const char* magic : {"DEMo", "demo", "XEMO", "DXMO", "DEXO", "DEMX", "OMED"}) {
        PayloadRead read = read_payload(temp_file("bad_magic.bin", good + magic));
        EXPECT_EQ(read.status, TrailerStatus::Missing) << magic;
    }
    EXPECT_EQ(read_payload(temp_file("short.bin", "DEMO")).status, TrailerStatus::Missing);
    EXPECT_EQ(read_payload("/nonexistent/player").status, TrailerStatus::Missing);
}

TEST(ContentTrailer, LengthBeyondTheFileIsRefused) {
    std::string body = "abc" + std::string("\x04\x00\x00\x00", 4) + "DEMO";  // claims 4, holds 3
    EXPECT_EQ(read_payload(temp_file("bad_length.bin", body)).status, TrailerStatus::BadLength);
    std::string huge = "abc" + std::string("\xff\xff\xff\xff", 4) + "DEMO";
    EXPECT_EQ(read_payload(temp_file("huge_length.bin", huge)).status, TrailerStatus::BadLength);
}

}  // namespace quillbarrow
