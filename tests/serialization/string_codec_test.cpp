#include <gtest/gtest.h>

#include <random>

#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"
#include "serialization/string_codec.h"

namespace quillbarrow {

namespace {

std::vector<int> bytes(const std::string& s) {
    std::vector<int> out;
    for (unsigned char c : s) out.push_back(c);
    return out;
}

std::string from(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

// The tokens after the length header, as (is_literal, length) pairs.
struct Token {
    bool literal;
    std::uint64_t length;
    std::uint64_t distance;
    bool long_form;
};

std::uint64_t varint(const std::string& s, std::size_t& i) {
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        auto b = static_cast<unsigned char>(s[i++]);
        v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
    }
}

std::vector<Token> tokens(const std::string& packed) {
    std::vector<Token> out;
    std::size_t i = 0;
    varint(packed, i);
    while (i < packed.size()) {
        std::uint64_t t = varint(packed, i);
        if (t & 1) {
            out.push_back({true, t >> 1, 0, false});
            i += t >> 1;
        } else if ((t >> 1) & 7) {
            out.push_back({false, ((t >> 1) & 7) + 4, t >> 4, false});
        } else {
            out.push_back({false, varint(packed, i) + 4, t >> 4, true});
        }
    }
    return out;
}

}  // namespace

TEST(StringCodec, KnownVectors) {
    EXPECT_EQ(bytes(compress("")), (std::vector<int>{0x00}));
    EXPECT_EQ(bytes(compress("abc")), (std::vector<int>{0x03, 0x07, 0x61, 0x62, 0x63}));
    EXPECT_EQ(bytes(compress(std::string(100, 'a'))), (std::vector<int>{0x64, 0x03, 0x61, 0x10, 0x5F}));
}

TEST(StringCodec, FourByteRepeatIsNeverAMatch) {
    std::string packed = compress("abcdXabcdYabcdZ");
    for (const Token& t : tokens(packed)) EXPECT_TRUE(t.literal);
    EXPECT_EQ(decompress(packed, 0), "abcdXabcdYabcdZ");
}

TEST(StringCodec, ShortAndLongMatchForms) {
    // A run of distinct bytes repeated once gives one match of exactly the
    // run's length when the following byte differs.
    for (std::size_t length = 5; length <= 20; ++length) {
        std::string run;
        for (std::size_t i = 0; i < length; ++i) run += static_cast<char>('A' + i);
        std::string text = run + "#" + run + "!";
        std::string packed = compress(text);
        std::vector<Token> ts = tokens(packed);
        ASSERT_EQ(ts.size(), 3u) << length;
        EXPECT_TRUE(ts[0].literal);
        EXPECT_FALSE(ts[1].literal);
        EXPECT_EQ(ts[1].length, length);
        EXPECT_EQ(ts[1].distance, length + 1);
        EXPECT_EQ(ts[1].long_form, length >= 12) << length;
        EXPECT_EQ(decompress(packed, 0), text);
    }
}

TEST(StringCodec, OverlappingMatchRepeatsFreshBytes) {
    // Distance 2, length 8: "ab" repeated by one self-overlapping copy.
    std::string packed = from({10, 0x05, 'a', 'b', (2 << 4) | (4 << 1)});
    EXPECT_EQ(decompress(packed, 0), "ababababab");
    EXPECT_EQ(decompress(compress("xyzxyzxyzxyzxyzxyz"), 0), "xyzxyzxyzxyzxyzxyz");
}

TEST(StringCodec, TruncatedStreamKeepsZeroFilledTail) {
    std::string packed = from({6, 0x0D, 'a', 'b'});  // literal of 6 bytes, only 2 present
    EXPECT_EQ(decompress(packed, 0), std::string("ab\0\0\0\0", 6));
    EXPECT_EQ(decompress(from({4}), 0), std::string(4, '\0'));
    EXPECT_EQ(decompress("", 0), "");
    // A cut inside a varint ends the input too.
    EXPECT_EQ(decompress(from({3, 0x03, 'z', 0x80}), 0), std::string("z\0\0", 3));
}

TEST(StringCodec, RemainingInputAfterTheLengthIsIgnored) {
    EXPECT_EQ(decompress(from({2, 0x05, 'o', 'k', 0x07, 'x', 'y', 'z'}), 0), "ok");
}

TEST(StringCodec, MalformedStreamsRaiseTheirErrors) {
    auto expect_malformed = [](const std::string& packed) {
        try {
            decompress(packed, 0);
            FAIL() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Malformed data while uncompressing");
        }
    };
    expect_malformed(from({2, 0x07, 'a', 'b', 'c'}));             // literal longer than the output
    expect_malformed(from({8, 0x03, 'a', (2 << 4) | (1 << 1)}));  // distance before the start
    expect_malformed(from({6, 0x03, 'a', (1 << 4) | (4 << 1)}));  // match past the end (8 > 5 left)
    expect_malformed(from({20, 0x03, 'a', 1 << 4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}));
    expect_malformed(from({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));  // 11-byte varint
}

TEST(StringCodec, DeclaredLengthAboveTheMaximumIsALengthError) {
    std::string packed = compress(std::string(50, 'x'));
    EXPECT_EQ(decompress(packed, 50).size(), 50u);
    try {
        decompress(packed, 49);
        FAIL();
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "Uncompressed data in message deemed too large");
    }
}

TEST(StringCodec, ScrambleTwiceRestores) {
    std::string text(100000, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i % 253);
    std::string copy = text;
    scramble(reinterpret_cast<std::uint8_t*>(copy.data()), copy.size());
    EXPECT_NE(copy, text);
    scramble(reinterpret_cast<std::uint8_t*>(copy.data()), copy.size());
    EXPECT_EQ(copy, text);
}

TEST(StringCodec, KeystreamFollowsItsRecurrence) {
    // Transcribed directly: step, restart at the seed on 1, XOR the low byte.
    std::string zeros(5000, '\0');
    scramble(reinterpret_cast<std::uint8_t*>(zeros.data()), zeros.size());
    std::int32_t s = kScrambleSeed;
    for (std::size_t i = 0; i < zeros.size(); ++i) {
        s = (s % 2 != 0) ? 3 * s + 1 : s / 2;
        if (s == 1) s = kScrambleSeed;
        ASSERT_EQ(static_cast<unsigned char>(zeros[i]), s & 0xFF) << i;
    }
    EXPECT_TRUE(kScrambleSeed > 99 && kScrambleSeed < 1000 && kScrambleSeed % 2 == 1);
}

TEST(StringCodec, StoredFormIsLengthAndScrambledStream) {
    BinaryWriter out;
    out.write_string("");
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out.bytes()[0], 1);
    std::uint8_t header = out.bytes()[8];
    scramble(&header, 1);
    EXPECT_EQ(header, 0);

    BinaryWriter zero_length;
    zero_length.write_u64(0);
    BinaryReader in(zero_length.bytes().data(), zero_length.size());
    EXPECT_EQ(in.read_string("name"), "");
}

TEST(StringCodec, CorruptStoredTextEndsTheReadCleanly) {
    BinaryWriter out;
    std::string garbage = from({5, 0x0B, 'a'});  // literal of 5 with 1 byte: zero tail, fine
    out.write_u64(garbage.size());
    scramble(reinterpret_cast<std::uint8_t*>(garbage.data()), garbage.size());
    out.write_bytes(garbage.data(), garbage.size());
    BinaryReader in(out.bytes().data(), out.size());
    EXPECT_EQ(in.read_string("name"), std::string("a\0\0\0\0", 5));

    // A header claiming 2^40 bytes is refused without allocating them.
    BinaryWriter huge;
    std::string header = from({0x80, 0x80, 0x80, 0x80, 0x80, 0x20});
    huge.write_u64(header.size());
    scramble(reinterpret_cast<std::uint8_t*>(header.data()), header.size());
    huge.write_bytes(header.data(), header.size());
    BinaryReader big(huge.bytes().data(), huge.size());
    EXPECT_THROW(big.read_string("name"), std::length_error);
}

TEST(StringCodecProperty, RandomAndRepetitiveInputsRoundTrip) {
    std::mt19937_64 rng(20261208);
    std::size_t total = 0;
    const int kCases = 10000;
    for (int c = 0; c < kCases; ++c) {
        // Sizes spread from 0 bytes to 1 MB, most of them small.
        std::size_t size;
        if (c % 1000 == 999)
            size = 1 << 20;
        else if (c % 100 == 0)
            size = rng() % (1 << 17);
        else
            size = rng() % (1u << (rng() % 12));
        std::string text(size, '\0');
        switch (c % 4) {
        case 0:  // random bytes
            for (auto& ch : text) ch = static_cast<char>(rng());
            break;
        case 1:  // tiny alphabet: long, overlapping matches
            for (auto& ch : text) ch = "ab"[rng() % 2];
            break;
        case 2: {  // a random phrase repeated with sparse edits
            std::string phrase(1 + rng() % 40, '\0');
            for (auto& ch : phrase) ch = static_cast<char>('a' + rng() % 26);
            for (std::size_t i = 0; i < size; ++i) text[i] = phrase[i % phrase.size()];
            for (std::size_t i = 0; i < size / 50; ++i) text[rng() % size] = '#';
            break;
        }
        default:  // one byte repeated
            std::fill(text.begin(), text.end(), static_cast<char>(rng()));
        }
        std::string packed = compress(text);
        ASSERT_EQ(decompress(packed, 0), text) << "case " << c << " size " << size;
        total += size;
    }
    EXPECT_GT(total, 10u << 20);
}

TEST(StringCodecProperty, MalformedInputsNeverCrash) {
    std::mt19937_64 rng(7);
    std::string base = compress("uniform float beat; uniform vec2 resolution; void main() { beat; beat; }");
    for (int c = 0; c < 20000; ++c) {
        std::string input = base;
        if (c % 2) {
            for (int flips = 0; flips < 1 + c % 4; ++flips) input[rng() % input.size()] = static_cast<char>(rng());
        } else {
            input.resize(rng() % 24);
            for (auto& ch : input) ch = static_cast<char>(rng());
        }
        try {
            std::string out = decompress(input, 1 << 16);
            EXPECT_LE(out.size(), 1u << 16);
        } catch (const std::runtime_error&) {
        } catch (const std::length_error&) {}
    }
}

}  // namespace quillbarrow
