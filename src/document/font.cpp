#include "document/font.h"

#include <climits>
#include <cstdio>

#include <SDL.h>
#include <SDL_ttf.h>

#include "document/resource_file.h"
#include "player/diagnostics.h"

namespace quillbarrow {

Font::~Font() {
    if (font) TTF_CloseFont(font);
}

void Font::open() {
    if (font) TTF_CloseFont(font);
    font = nullptr;
    if (!buffer || buffer->len == 0 || buffer->len > static_cast<std::uint64_t>(INT_MAX)) {
        report_notice(format_message("Font \"%s\" has no font data.", name.c_str()));
        return;
    }
    // The stream reads the buffer in place for as long as the font is open
    // and is closed with it.
    SDL_RWops* stream = SDL_RWFromConstMem(buffer->data.get(), static_cast<int>(buffer->len));
    font = TTF_OpenFontRW(stream, 1, ptsize);
    if (!font) report_notice(format_message("Cannot open font \"%s\": %s", name.c_str(), TTF_GetError()));
}

JsonValue Font::to_json(bool export_resources) const {
    JsonValue out = JsonValue::object();
    out["name"] = name;
    out["ptsize"] = ptsize;
    out["filename"] = filename;
    store_resource_buffer(out, "font_buffer", buffer.get(), filename, export_resources);
    return out;
}

void Font::write(BinaryWriter& out) const {
    out.write_string(name);
    out.write_string(filename);
    out.write_i32(ptsize);
    write_resource_buffer(out, buffer.get());
}

void Font::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    filename = value["filename"].as_string();
    ptsize = static_cast<int>(value["ptsize"].as_int());
    buffer = load_resource_buffer(value, "font_buffer", filename);
    open();
}

void Font::read(BinaryReader& in) {
    name = in.read_string("font name");
    filename = in.read_string("font filename");
    ptsize = in.read_i32("font ptsize");
    buffer = std::make_unique<ByteBuffer>(in);
    open();
}

}  // namespace quillbarrow
