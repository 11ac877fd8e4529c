#pragma once

#include <cstdint>
#include <string>

#include "render/gl_object.h"
#include "serialization/object_key.h"
#include "serialization/serializable.h"

struct SDL_Surface;

namespace quillbarrow {

class Font;

// A fixed-size RGBA texture showing one text rendered with a font. It
// re-renders only when the text changes.
class FontTexture : public ISerializable {
public:
    explicit FontTexture(const JsonValue& value) { from_json(value); }
    explicit FontTexture(BinaryReader& in) { read(in); }
    ~FontTexture() override;

    FontTexture(const FontTexture&) = delete;
    FontTexture& operator=(const FontTexture&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    // The font named in JSON, or none. A missing font is reported once on
    // standard output; the texture then stays transparent.
    void link_font(const NameMap<Font>& fonts);
    // The font stored under the key read from the binary form, or none.
    void resolve_font(const ObjectMap& objects);
    // Surface and texture, both transparent; run once the font is resolved.
    void create();
    void set_text(const std::string& new_text);

    std::string name;
    int width = 0;  // also the wrap width of the text
    int height = 0;
    Font* font = nullptr;
    bool center = false;
    int chars_per_beat = -1;  // -1: texts show whole at once
    SDL_Surface* surface = nullptr;
    GlTexture texture;
    std::string text;

    // The reference as it was read: a font name after JSON (kept so that an
    // unresolved name is written back unchanged), a key after binary.
    std::string font_name;
    std::uint64_t font_key = 0;

private:
    void release();
    void report_missing_font();
    bool missing_font_reported_ = false;
};

}  // namespace quillbarrow
