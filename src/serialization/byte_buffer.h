#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "serialization/serializable.h"

namespace quillbarrow {

// An owned block of bytes: the raw contents of a resource file.
// Binary form: 64-bit length, then the bytes through the keystream.
// JSON form: base64 text.
class ByteBuffer : public ISerializable {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(BinaryReader& in) { read(in); }
    explicit ByteBuffer(const JsonValue& value) { from_json(value); }
    ByteBuffer(const void* bytes, std::uint64_t size);
    ~ByteBuffer() override = default;

    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    std::string_view view() const { return {reinterpret_cast<const char*>(data.get()), static_cast<std::size_t>(len)}; }

    std::unique_ptr<std::uint8_t[]> data;
    std::uint64_t len = 0;

private:
    void assign(const void* bytes, std::uint64_t size);
};

std::string base64_encode(std::string_view bytes);
// Accepts "-" and "_" for 62 and 63 and "=" or "." as padding; throws
// std::runtime_error("Input is not valid base64-encoded data.") otherwise.
std::string base64_decode(std::string_view text);

}  // namespace quillbarrow
