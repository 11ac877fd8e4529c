#include "document/texture_limits.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include <GL/glew.h>

namespace quillbarrow {

int max_gl_texture_side() {
    static int side = [] {
        GLint value = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
        // Without a context GL answers nothing; assume a common limit.
        return value > 0 ? static_cast<int>(value) : 16384;
    }();
    return side;
}

bool fits_gl_texture(long long width, long long height) {
    constexpr long long kMaxTexels = 64ll << 20;
    const long long limit = max_gl_texture_side();
    return width >= 1 && height >= 1 && width <= limit && height <= limit && width * height <= kMaxTexels;
}

namespace {

std::uint32_t big_endian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

std::uint32_t little_endian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// The frame header of a JPEG: the first SOFn marker's height and width.
bool jpeg_size(const unsigned char* p, std::size_t n, long long& w, long long& h) {
    std::size_t i = 2;
    while (i + 9 < n) {
        if (p[i] != 0xFF) return false;
        const unsigned char marker = p[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        const std::uint32_t segment = big_endian(p + i + 2, 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            h = big_endian(p + i + 5, 2);
            w = big_endian(p + i + 7, 2);
            return true;
        }
        if (segment < 2) return false;
        i += 2 + segment;
    }
    return false;
}

}  // namespace

DeclaredImage check_encoded_image(const void* bytes, std::size_t n, int& width, int& height) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    long long w = -1, h = -1;
    if (n >= 24 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0) {
        w = big_endian(p + 16, 4);
        h = big_endian(p + 20, 4);
    } else if (n >= 4 && p[0] == 0xFF && p[1] == 0xD8) {
        if (!jpeg_size(p, n, w, h)) return DeclaredImage::Unknown;
    } else if (n >= 10 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0)) {
        w = little_endian(p + 6, 2);
        h = little_endian(p + 8, 2);
    } else if (n >= 26 && p[0] == 'B' && p[1] == 'M') {
        // Height may be negative (rows top first).
        w = static_cast<std::int32_t>(little_endian(p + 18, 4));
        h = static_cast<std::int32_t>(little_endian(p + 22, 4));
        if (h < 0) h = -h;
    } else {
        return DeclaredImage::Unknown;
    }
    width = w > INT_MAX ? INT_MAX : static_cast<int>(w);
    height = h > INT_MAX ? INT_MAX : static_cast<int>(h);
    return fits_gl_texture(w, h) ? DeclaredImage::Fits : DeclaredImage::TooLarge;
}

}  // namespace quillbarrow
