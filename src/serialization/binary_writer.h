#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <glm/vec3.hpp>

namespace quillbarrow {

// Appends the binary form to a byte block: little-endian, fixed widths, no
// padding or framing between values.
class BinaryWriter {
public:
    void write_bool(bool value) { write_u8(value ? 1 : 0); }
    void write_u8(std::uint8_t value) { bytes_.push_back(value); }
    void write_i32(std::int32_t value) { write_le(static_cast<std::uint32_t>(value), 4); }
    void write_u32(std::uint32_t value) { write_le(value, 4); }
    void write_f32(float value);
    void write_vec3(const glm::vec3& value);
    void write_u64(std::uint64_t value) { write_le(value, 8); }
    void write_count(std::uint64_t count) { write_u64(count); }
    void write_key(std::uint64_t key) { write_u64(key); }
    // A reference to a top-level record: its key in the installed key
    // table, 0 for none or for a record the table does not hold. Without a
    // table the record's address serves as its key.
    void write_reference(const void* object);
    void set_key_table(const std::unordered_map<const void*, std::uint64_t>* keys) { keys_ = keys; }
    std::uint64_t key_of(const void* object) const;
    void write_bytes(const void* data, std::size_t length);
    void write_string(std::string_view text);

    std::size_t size() const { return bytes_.size(); }
    std::uint8_t* data() { return bytes_.data(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    void write_le(std::uint64_t value, int width);
    std::vector<std::uint8_t> bytes_;
    const std::unordered_map<const void*, std::uint64_t>* keys_ = nullptr;
};

}  // namespace quillbarrow
