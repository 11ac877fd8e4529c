#pragma once

#include <cstddef>

namespace quillbarrow {

// The largest texture side the GL takes (GL_MAX_TEXTURE_SIZE), asked once.
int max_gl_texture_side();

// True when a width x height texture can be made: both sides from 1 to the
// GL limit, and at most 64 M texels (256 MB), far above any production's
// needs. Checked before any surface or pixel block of that size exists.
bool fits_gl_texture(long long width, long long height);

// What an encoded image's header (PNG, JPEG, GIF, BMP) declares, read
// without decoding it.
enum class DeclaredImage {
    Unknown,   // not a header the size reader knows: leave it to the decoder
    Fits,      // width and height are set and fit a texture
    TooLarge,  // too large for a texture
};
DeclaredImage check_encoded_image(const void* bytes, std::size_t length, int& width, int& height);

}  // namespace quillbarrow
