#include "serialization/byte_buffer.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "serialization/string_codec.h"

namespace quillbarrow {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0-63 for a digit, 64 for padding, 255 for anything else.
constexpr std::uint8_t kPadding = 64;
constexpr std::uint8_t kInvalid = 255;

struct DecodeTable {
    std::uint8_t value[256];
    constexpr DecodeTable() : value() {
        for (auto& v : value) v = kInvalid;
        for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
        value[static_cast<unsigned char>('-')] = 62;
        value[static_cast<unsigned char>('_')] = 63;
        value[static_cast<unsigned char>('=')] = kPadding;
        value[static_cast<unsigned char>('.')] = kPadding;
    }
};
constexpr DecodeTable kDecode;

[[noreturn]] void invalid_base64() { throw std::runtime_error("Input is not valid base64-encoded data."); }

}  // namespace

std::string base64_encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = p[i] << 16;
        if (rest == 2) v |= p[i + 1] << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string base64_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::size_t i = 0;
    for (; i < text.size(); i += 4) {
        std::uint8_t v[4] = {kPadding, kPadding, kPadding, kPadding};
        std::size_t group = std::min<std::size_t>(4, text.size() - i);
        for (std::size_t k = 0; k < group; ++k) v[k] = kDecode.value[static_cast<unsigned char>(text[i + k])];
        // Padding may stand only in the third and fourth place of a group.
        if (v[0] >= kPadding || v[1] >= kPadding || v[2] == kInvalid || v[3] == kInvalid) invalid_base64();
        out += static_cast<char>((v[0] << 2) | (v[1] >> 4));
        if (v[2] == kPadding) continue;
        out += static_cast<char>(((v[1] & 15) << 4) | (v[2] >> 2));
        if (v[3] != kPadding) out += static_cast<char>(((v[2] & 3) << 6) | v[3]);
    }
    return out;
}

ByteBuffer::ByteBuffer(const void* bytes, std::uint64_t size) { assign(bytes, size); }

void ByteBuffer::assign(const void* bytes, std::uint64_t size) {
    len = size;
    data = std::make_unique<std::uint8_t[]>(size);
    if (size) std::memcpy(data.get(), bytes, size);
}

JsonValue ByteBuffer::to_json(bool) const { return JsonValue(base64_encode(view())); }

void ByteBuffer::write(BinaryWriter& out) const {
    out.write_u64(len);
    std::size_t at = out.size();
    out.write_bytes(data.get(), len);
    scramble(out.data() + at, len);
}

void ByteBuffer::from_json(const JsonValue& value) {
    std::string bytes = base64_decode(value.as_string());
    assign(bytes.data(), bytes.size());
}

void ByteBuffer::read(BinaryReader& in) {
    std::uint64_t length = in.read_count("byte buffer length", 1);
    std::string_view stored = in.read_bytes(length, "byte buffer bytes");
    assign(stored.data(), stored.size());
    scramble(data.get(), len);
}

}  // namespace quillbarrow
