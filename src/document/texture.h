#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "render/gl_object.h"
#include "serialization/byte_buffer.h"
#include "serialization/serializable.h"

namespace quillbarrow {

// CPU-side images are 32 bits per texel with the bytes R, G, B, A in memory
// (these masks on a little-endian word), rows top first.
inline constexpr std::uint32_t kRedMask = 0x000000FF;
inline constexpr std::uint32_t kGreenMask = 0x0000FF00;
inline constexpr std::uint32_t kBlueMask = 0x00FF0000;
inline constexpr std::uint32_t kAlphaMask = 0xFF000000;

// A 2D RGBA8 texture with linear filters from RGBA pixels (rows top first),
// wrap being a GL wrap mode such as GL_CLAMP_TO_EDGE. The texture is left
// bound to GL_TEXTURE_2D of the active unit.
GlTexture create_gl_texture(int width, int height, const void* pixels, int wrap);

// An image file carried in the document and decoded into a GL texture, or a
// blank texture the program fills itself.
class Texture : public ISerializable {
public:
    explicit Texture(const JsonValue& value) { from_json(value); }
    explicit Texture(BinaryReader& in) { read(in); }
    // An image held in memory: the bytes are copied, then decoded.
    Texture(std::string name, const void* bytes, std::size_t length);
    // Takes over a GL texture made elsewhere (a model's decoded image).
    Texture(std::string name, int width, int height, GlTexture gl_texture);
    // A zero-filled texture of the given size, named after its address.
    Texture(int width, int height);

    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    GlTexture texture;                   // 0 when the image did not decode
    std::unique_ptr<ByteBuffer> buffer;  // the encoded file; none for a blank texture
    std::string name;
    int width = 0;
    int height = 0;

private:
    void decode();
};

}  // namespace quillbarrow
