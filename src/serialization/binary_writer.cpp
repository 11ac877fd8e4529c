#include "serialization/binary_writer.h"

#include "platform/bit_cast.h"
#include "serialization/string_codec.h"

namespace quillbarrow {

void BinaryWriter::write_le(std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void BinaryWriter::write_f32(float value) { write_le(bit_cast<std::uint32_t>(value), 4); }

void BinaryWriter::write_vec3(const glm::vec3& value) {
    write_f32(value.x);
    write_f32(value.y);
    write_f32(value.z);
}

void BinaryWriter::write_bytes(const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + length);
}

void BinaryWriter::write_string(std::string_view text) {
    std::string packed = compress(text);
    write_u64(packed.size());
    const std::size_t at = size();
    write_bytes(packed.data(), packed.size());
    scramble(data() + at, packed.size());
}

std::uint64_t BinaryWriter::key_of(const void* object) const {
    if (!object) return 0;
    if (!keys_) return reinterpret_cast<std::uintptr_t>(object);
    auto it = keys_->find(object);
    return it == keys_->end() ? 0 : it->second;
}

void BinaryWriter::write_reference(const void* object) { write_key(key_of(object)); }

}  // namespace quillbarrow
