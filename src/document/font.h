#pragma once

#include <memory>
#include <string>

#include "serialization/byte_buffer.h"
#include "serialization/serializable.h"

typedef struct _TTF_Font TTF_Font;

namespace quillbarrow {

// A TrueType file opened at one point size. Font textures refer to it by
// name in JSON and by object key in the binary form.
class Font : public ISerializable {
public:
    explicit Font(const JsonValue& value) { from_json(value); }
    explicit Font(BinaryReader& in) { read(in); }
    ~Font() override;

    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    std::string name;
    std::string filename;  // the file the bytes come from or are exported to
    std::unique_ptr<ByteBuffer> buffer;
    int ptsize = 0;
    TTF_Font* font = nullptr;  // none when the bytes do not open as a font

private:
    void open();
};

}  // namespace quillbarrow
