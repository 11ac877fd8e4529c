#include "document/font_texture.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_ttf.h>

#include "document/decode_budget.h"
#include "document/font.h"
#include "document/texture_limits.h"
#include "document/texture.h"
#include "player/diagnostics.h"

namespace quillbarrow {

namespace {

// The start of a Latin-1 text that can show in a width x height texture.
// SDL_ttf renders every wrapped line, however far below the texture it
// falls, so a long text at a large size would make a surface of gigabytes.
// Each line holds at most twice as many characters as the narrowest glyph
// of the text fits across the width (twice, for kerning), and the texture
// shows at most height / line skip + 1 lines; the lines before the cut wrap
// as they would in the whole text.
std::size_t visible_length(TTF_Font* font, const std::string& text, int width, int height) {
    const int line_skip = std::max(1, TTF_FontLineSkip(font));
    const std::size_t lines = static_cast<std::size_t>(height / line_skip) + 2;
    bool seen[256] = {};
    int narrowest = 0;
    for (unsigned char c : text) {
        if (seen[c]) continue;
        seen[c] = true;
        int advance = 0;
        if (TTF_GlyphMetrics32(font, c, nullptr, nullptr, nullptr, nullptr, &advance) == 0 && advance > 0)
            narrowest = narrowest == 0 ? advance : std::min(narrowest, advance);
    }
    std::size_t length = text.size();
    if (narrowest > 0) {
        const std::size_t per_line = 2 * static_cast<std::size_t>(width / narrowest) + 2;
        length = std::min(length, lines * per_line);
    }
    // A line break starts a line whatever the glyphs' widths.
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < length; ++i)
        if (text[i] == '\n' && ++breaks == lines) return i;
    return length;
}

}  // namespace

FontTexture::~FontTexture() { release(); }

void FontTexture::release() {
    if (surface) SDL_FreeSurface(surface);
    surface = nullptr;
    texture.reset();
}

JsonValue FontTexture::to_json(bool) const {
    JsonValue out = JsonValue::object();
    out["name"] = name;
    out["width"] = width;
    out["height"] = height;
    out["font"] = font ? font->name : font_name;
    out["center"] = center;
    out["chars_per_beat"] = chars_per_beat;
    return out;
}

void FontTexture::write(BinaryWriter& out) const {
    out.write_string(name);
    out.write_i32(width);
    out.write_i32(height);
    out.write_reference(font);
    out.write_bool(center);
    out.write_i32(chars_per_beat);
}

void FontTexture::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    width = static_cast<int>(value["width"].as_int());
    height = static_cast<int>(value["height"].as_int());
    font_name = value["font"].as_string();
    font_key = 0;
    font = nullptr;
    center = value["center"].as_bool();
    chars_per_beat = value.has("chars_per_beat") ? static_cast<int>(value["chars_per_beat"].as_int()) : -1;
}

void FontTexture::read(BinaryReader& in) {
    name = in.read_string("font texture name");
    width = in.read_i32("font texture width");
    height = in.read_i32("font texture height");
    font_key = in.read_key("font texture font");
    font_name.clear();
    font = nullptr;
    center = in.read_bool("font texture center");
    chars_per_beat = in.read_i32("font texture chars_per_beat");
}

void FontTexture::link_font(const NameMap<Font>& fonts) {
    font = resolve_name(fonts, font_name);
    if (!font) report_missing_font();
}

void FontTexture::resolve_font(const ObjectMap& objects) {
    font = resolve_key<Font>(objects, font_key);
    if (!font) report_missing_font();
}

void FontTexture::create() {
    release();
    text.clear();
    if (!fits_gl_texture(width, height)) {
        report_notice(
            format_message("Font texture \"%s\": %d x %d is not a texture size this GL can make (1 to %d a side, 64 M "
                           "texels at most); it shows nothing",
                           name.c_str(), width, height, max_gl_texture_side()));
        return;
    }
    if (!current_decode_budget().take_pixels(width, height)) {
        report_notice(format_message("Font texture \"%s\": its %d x %d pixels are refused: %s; it shows nothing",
                                     name.c_str(), width, height, pixel_budget_refusal().c_str()));
        return;
    }
    surface = SDL_CreateRGBSurface(0, width, height, 32, kRedMask, kGreenMask, kBlueMask, kAlphaMask);
    if (!surface) {
        report_notice(format_message("Font texture \"%s\": cannot create a %d x %d surface: %s", name.c_str(), width,
                                     height, SDL_GetError()));
        return;
    }
    texture = create_gl_texture(surface->w, surface->h, surface->pixels, GL_CLAMP_TO_EDGE);
}

void FontTexture::report_missing_font() {
    if (missing_font_reported_) return;
    missing_font_reported_ = true;
    if (font) {
        report_notice(format_message("Font texture \"%s\": font \"%s\" did not open; its texts stay blank.",
                                     name.c_str(), font->name.c_str()));
    } else if (!font_name.empty() || font_key == 0) {
        report_notice(format_message("Font texture \"%s\": font \"%s\" not found; its texts stay blank.", name.c_str(),
                                     font_name.c_str()));
    } else {
        report_notice(format_message("Font texture \"%s\": no font under key %" PRIu64 "; its texts stay blank.",
                                     name.c_str(), font_key));
    }
}

void FontTexture::set_text(const std::string& new_text) {
    if (new_text == text) return;
    text = new_text;
    if (!surface) return;
    SDL_FillRect(surface, nullptr, 0);
    if (!text.empty()) {
        if (font && font->font) {
            const SDL_Color white = {255, 255, 255, 255};
            const std::string shown = text.substr(0, visible_length(font->font, text, width, height));
            SDL_Surface* rendered =
                TTF_RenderText_Blended_Wrapped(font->font, shown.c_str(), white, static_cast<Uint32>(width));
            if (rendered) {
                SDL_Rect from = {0, 0, surface->w, surface->h};
                SDL_Rect to = {center ? (surface->w - rendered->w) / 2 : 0, 0, 0, 0};
                SDL_BlitSurface(rendered, &from, surface, &to);
                SDL_FreeSurface(rendered);
            }
        } else {
            report_missing_font();
        }
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, surface->w, surface->h, GL_RGBA, GL_UNSIGNED_BYTE, surface->pixels);
}

}  // namespace quillbarrow
