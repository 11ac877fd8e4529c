#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "serialization/byte_buffer.h"
#include "serialization/string_codec.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

std::string bytes_of(const ByteBuffer& b) { return std::string(b.view()); }

std::string round_trip_binary(const std::string& content) {
    ByteBuffer original(content.data(), content.size());
    BinaryWriter out;
    original.write(out);
    EXPECT_EQ(bytes_of(original), content);  // writing leaves the bytes as they were
    BinaryReader in(out.bytes().data(), out.size());
    ByteBuffer back(in);
    EXPECT_EQ(in.remaining(), 0u);
    return bytes_of(back);
}

}  // namespace

TEST(ByteBuffer, BinaryFormIsLengthAndScrambledBytes) {
    std::string content = "hello, buffer";
    ByteBuffer buffer(content.data(), content.size());
    BinaryWriter out;
    buffer.write(out);
    ASSERT_EQ(out.size(), 8 + content.size());
    EXPECT_EQ(out.bytes()[0], content.size());
    for (int i = 1; i < 8; ++i) EXPECT_EQ(out.bytes()[i], 0);
    std::string stored(out.bytes().begin() + 8, out.bytes().end());
    EXPECT_NE(stored, content);
    scramble(reinterpret_cast<std::uint8_t*>(stored.data()), stored.size());
    EXPECT_EQ(stored, content);
}

TEST(ByteBuffer, BinaryRoundTrips) {
    EXPECT_EQ(round_trip_binary(""), "");
    EXPECT_EQ(round_trip_binary(std::string("\0\1\2\xff", 4)), std::string("\0\1\2\xff", 4));
    std::string big(100000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7919 % 251);
    EXPECT_EQ(round_trip_binary(big), big);
}

TEST(ByteBuffer, EmptyBufferIsEightZeroBytes) {
    ByteBuffer empty;
    BinaryWriter out;
    empty.write(out);
    EXPECT_EQ(out.bytes(), std::vector<std::uint8_t>(8, 0));
}

TEST(ByteBuffer, TruncatedBinaryStopsWithFieldAndOffset) {
    ByteBuffer buffer("abcdef", 6);
    BinaryWriter out;
    buffer.write(out);
    for (std::size_t cut = 0; cut < out.size(); ++cut) {
        BinaryReader in(out.bytes().data(), cut);
        EXPECT_THROW(ByteBuffer{in}, FormatError) << "cut at " << cut;
    }
    // A length far beyond the payload fails before allocating for it.
    BinaryWriter huge;
    huge.write_u64(1ull << 60);
    huge.write_bytes("xx", 2);
    BinaryReader in(huge.bytes().data(), huge.size());
    try {
        ByteBuffer b(in);
        FAIL();
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("byte buffer length at offset 0"), std::string::npos) << e.what();
    }
}

TEST(ByteBuffer, Base64PaddingFollowsTheRemainder) {
    EXPECT_EQ(ByteBuffer("abc", 3).to_json(false).as_string(), "YWJj");
    EXPECT_EQ(ByteBuffer("ab", 2).to_json(false).as_string(), "YWI=");
    EXPECT_EQ(ByteBuffer("a", 1).to_json(false).as_string(), "YQ==");
    EXPECT_EQ(ByteBuffer().to_json(false).as_string(), "");
}

TEST(ByteBuffer, Base64DecoderIsLenient) {
    EXPECT_EQ(base64_decode("YWJj"), "abc");
    EXPECT_EQ(base64_decode("YWI="), "ab");
    EXPECT_EQ(base64_decode("YWI."), "ab");
    EXPECT_EQ(base64_decode("YQ=="), "a");
    EXPECT_EQ(base64_decode("YQ.."), "a");
    EXPECT_EQ(base64_decode("YQ=."), "a");
    // "-" and "_" stand for 62 and 63, as "+" and "/" do.
    EXPECT_EQ(base64_decode("-_-_"), base64_decode("+/+/"));
    EXPECT_EQ(base64_decode("+/+/"), std::string("\xfb\xff\xbf", 3));
}

TEST(ByteBuffer, Base64RejectsOtherCharacters) {
    for (const char* bad : {"YW J", "YW\nJ", "=WJj", "Y=Jj", "YWJ*", "Y\xc3\xa9Jj"}) {
        try {
            base64_decode(bad);
            FAIL() << bad;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Input is not valid base64-encoded data.");
        }
    }
}

TEST(ByteBuffer, JsonRoundTripsEveryByte) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    for (std::size_t n : {0, 1, 2, 3, 4, 5, 255, 256}) {
        std::string content = all.substr(0, n);
        ByteBuffer original(content.data(), content.size());
        ByteBuffer back(original.to_json(false));
        EXPECT_EQ(bytes_of(back), content) << n;
    }
    EXPECT_EQ(ByteBuffer(JsonValue(12)).len, 0u);  // not a string: empty
}

}  // namespace quillbarrow
