#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <glm/vec3.hpp>

namespace quillbarrow {

// A payload that ends before its fields do, or holds a count that cannot fit
// in what is left. The message names the field and its offset.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the binary form from a bounded block. Every read checks the bytes
// left first, so a corrupt count or length stops the read with a
// FormatError instead of reading past the end or allocating from it.
class BinaryReader {
public:
    BinaryReader(const void* data, std::size_t length)
        : data_(static_cast<const std::uint8_t*>(data)), length_(length) {}

    bool read_bool(const char* field) { return read_u8(field) != 0; }
    std::uint8_t read_u8(const char* field);
    std::int32_t read_i32(const char* field) { return static_cast<std::int32_t>(read_le(4, field)); }
    std::uint32_t read_u32(const char* field) { return static_cast<std::uint32_t>(read_le(4, field)); }
    float read_f32(const char* field);
    glm::vec3 read_vec3(const char* field);
    std::uint64_t read_u64(const char* field) { return read_le(8, field); }
    std::uint64_t read_key(const char* field) { return read_le(8, field); }
    // A count of elements that each take at least min_element_bytes; a count
    // that could not fit in the bytes left is refused before anyone
    // allocates for it.
    std::uint64_t read_count(const char* field, std::size_t min_element_bytes);
    std::string_view read_bytes(std::uint64_t length, const char* field);
    std::string read_string(const char* field);

    // Decoded text a whole document may hold. Texts are compressed, so a
    // few bytes may declare megabytes of them; every string read spends
    // from this before it allocates.
    static constexpr std::uint64_t kTextBudget = 256ull << 20;
    std::uint64_t text_budget_left() const { return text_budget_left_; }
    void spend_text_budget(std::uint64_t bytes) {
        text_budget_left_ -= bytes < text_budget_left_ ? bytes : text_budget_left_;
    }

    std::size_t offset() const { return offset_; }
    std::size_t remaining() const { return length_ - offset_; }

private:
    std::uint64_t read_le(int width, const char* field);
    [[noreturn]] void fail(const char* field, std::uint64_t needed) const;

    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t offset_ = 0;
    std::uint64_t text_budget_left_ = kTextBudget;
};

}  // namespace quillbarrow
