#include "serialization/binary_reader.h"

#include <algorithm>

#include "platform/bit_cast.h"
#include "serialization/string_codec.h"

namespace quillbarrow {

void BinaryReader::fail(const char* field, std::uint64_t needed) const {
    throw FormatError("Corrupt content: " + std::string(field) + " at offset " + std::to_string(offset_) + " needs " +
                      std::to_string(needed) + " bytes but only " + std::to_string(remaining()) +
                      " remain in the payload");
}

std::uint64_t BinaryReader::read_le(int width, const char* field) {
    if (remaining() < static_cast<std::size_t>(width)) fail(field, width);
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) value |= static_cast<std::uint64_t>(data_[offset_ + i]) << (8 * i);
    offset_ += width;
    return value;
}

std::uint8_t BinaryReader::read_u8(const char* field) { return static_cast<std::uint8_t>(read_le(1, field)); }

float BinaryReader::read_f32(const char* field) {
    return bit_cast<float>(static_cast<std::uint32_t>(read_le(4, field)));
}

glm::vec3 BinaryReader::read_vec3(const char* field) {
    if (remaining() < 12) fail(field, 12);
    float x = read_f32(field);
    float y = read_f32(field);
    float z = read_f32(field);
    return {x, y, z};
}

std::uint64_t BinaryReader::read_count(const char* field, std::size_t min_element_bytes) {
    std::size_t at = offset_;
    std::uint64_t count = read_le(8, field);
    std::uint64_t unit = min_element_bytes == 0 ? 1 : min_element_bytes;
    if (count > remaining() / unit) {
        offset_ = at;
        throw FormatError("Corrupt content: " + std::string(field) + " at offset " + std::to_string(at) +
                          " holds a count of " + std::to_string(count) + " that runs past the end of the payload (" +
                          std::to_string(remaining()) + " bytes left)");
    }
    return count;
}

std::string_view BinaryReader::read_bytes(std::uint64_t length, const char* field) {
    if (length > remaining()) fail(field, length);
    std::string_view view(reinterpret_cast<const char*>(data_ + offset_), static_cast<std::size_t>(length));
    offset_ += static_cast<std::size_t>(length);
    return view;
}

std::string BinaryReader::read_string(const char* field) {
    const std::size_t at = offset_;
    std::uint64_t length = read_count(field, 1);
    std::string stored(read_bytes(length, field));
    scramble(reinterpret_cast<std::uint8_t*>(stored.data()), stored.size());
    // The declared length is checked against what this string and the
    // document's remaining text budget allow before anything is allocated.
    const std::uint64_t allowed = std::min<std::uint64_t>(kMaxStoredStringLength, text_budget_left_);
    try {
        // (0 would mean no limit: an exhausted budget still admits one byte.)
        std::string text = decompress(stored, allowed == 0 ? 1 : allowed);
        spend_text_budget(text.size());
        return text;
    } catch (const std::length_error& e) {
        throw std::length_error(std::string(e.what()) + " (" + field + " at offset " + std::to_string(at) +
                                "; a document holds at most " + std::to_string(kTextBudget >> 20) + " MiB of text)");
    }
}

}  // namespace quillbarrow
