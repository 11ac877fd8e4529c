#pragma once

#include <memory>
#include <string>

#include "serialization/byte_buffer.h"
#include "serialization/serializable.h"

namespace quillbarrow {

// A named blob the document carries along unchanged.
class Data : public ISerializable {
public:
    explicit Data(const JsonValue& value) { from_json(value); }
    explicit Data(BinaryReader& in) { read(in); }
    ~Data() override = default;

    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    std::unique_ptr<ByteBuffer> buffer;
    std::string name;  // also the file the bytes come from or are exported to
};

}  // namespace quillbarrow
