#include "document/texture.h"

#include <climits>
#include <cstdio>

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>

#include "document/decode_budget.h"
#include "document/resource_file.h"
#include "document/texture_limits.h"
#include "player/diagnostics.h"

namespace quillbarrow {

GlTexture create_gl_texture(int width, int height, const void* pixels, int wrap) {
    GlTexture name = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return name;
}

Texture::Texture(std::string name_in, const void* bytes, std::size_t length)
    : buffer(std::make_unique<ByteBuffer>(bytes, length)), name(std::move(name_in)) {
    decode();
}

Texture::Texture(std::string name_in, int w, int h, GlTexture gl_texture)
    : texture(std::move(gl_texture)), name(std::move(name_in)), width(w), height(h) {}

Texture::Texture(int w, int h) {
    char label[256];
    std::snprintf(label, sizeof label, "Texture %p (%d x %d)", static_cast<void*>(this), w, h);
    name = label;
    SDL_Surface* blank = SDL_CreateRGBSurface(0, w, h, 32, kRedMask, kGreenMask, kBlueMask, kAlphaMask);
    if (!blank) {
        report_notice(format_message("Cannot create a %d x %d texture: %s", w, h, SDL_GetError()));
        return;
    }
    texture = create_gl_texture(w, h, blank->pixels, GL_CLAMP_TO_EDGE);
    width = w;
    height = h;
    SDL_FreeSurface(blank);
}

void Texture::decode() {
    texture.reset();
    width = height = 0;
    if (!buffer || buffer->len == 0 || buffer->len > static_cast<std::uint64_t>(INT_MAX)) return;
    // A few header bytes may declare a huge image: refuse it before decoding.
    int declared_width = 0, declared_height = 0;
    const DeclaredImage declared =
        check_encoded_image(buffer->data.get(), buffer->len, declared_width, declared_height);
    if (declared == DeclaredImage::TooLarge) {
        report_notice(format_message(
            "Texture \"%s\": its image declares a size this GL cannot make (%d x %d; 1 to %d a side, 64 M "
            "texels at most); it shows nothing",
            name.c_str(), declared_width, declared_height, max_gl_texture_side()));
        return;
    }
    DecodeBudget& budget = current_decode_budget();
    auto refuse = [&](int w, int h) {
        report_notice(format_message("Texture \"%s\": its %d x %d pixels are refused: %s; it shows nothing",
                                     name.c_str(), w, h, pixel_budget_refusal().c_str()));
    };
    if (declared == DeclaredImage::Fits && !budget.take_pixels(declared_width, declared_height))
        return refuse(declared_width, declared_height);
    SDL_RWops* stream = SDL_RWFromConstMem(buffer->data.get(), static_cast<int>(buffer->len));
    SDL_Surface* image = IMG_Load_RW(stream, 1);
    if (!image) return;
    // A format the header reader does not know is charged once decoded.
    if (declared != DeclaredImage::Fits && !budget.take_pixels(image->w, image->h)) {
        refuse(image->w, image->h);
        SDL_FreeSurface(image);
        return;
    }
    // Blitting onto a zeroed RGBA surface converts every source format to
    // the one layout the GL upload expects.
    SDL_Surface* rgba = SDL_CreateRGBSurface(0, image->w, image->h, 32, kRedMask, kGreenMask, kBlueMask, kAlphaMask);
    if (rgba && SDL_BlitSurface(image, nullptr, rgba, nullptr) == 0) {
        width = image->w;
        height = image->h;
        texture = create_gl_texture(width, height, rgba->pixels, GL_CLAMP_TO_EDGE);
    }
    SDL_FreeSurface(rgba);
    SDL_FreeSurface(image);
}

JsonValue Texture::to_json(bool export_resources) const {
    JsonValue out = JsonValue::object();
    out["name"] = name;
    store_resource_buffer(out, "image_buffer", buffer.get(), name, export_resources);
    return out;
}

void Texture::write(BinaryWriter& out) const {
    out.write_string(name);
    write_resource_buffer(out, buffer.get());
}

void Texture::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    buffer = load_resource_buffer(value, "image_buffer", name);
    decode();
}

void Texture::read(BinaryReader& in) {
    name = in.read_string("texture name");
    buffer = std::make_unique<ByteBuffer>(in);
    decode();
}

}  // namespace quillbarrow
