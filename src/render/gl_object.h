#pragma once

#include <cstddef>
#include <utility>

namespace quillbarrow {

// Owners of GL object names. Each record that creates a GL object holds it
// in one of these, so dropping the record (a reloaded production, say)
// deletes what it made. Move-only: a name has exactly one owner.

enum class GlObjectKind : std::size_t { Buffer, VertexArray, Texture, Framebuffer, Program, Shader, Count };

// How many names of a kind (or of all kinds) are owned right now: a debug
// count for tests that check that a reload leaves nothing behind.
long live_gl_objects(GlObjectKind kind);
long live_gl_objects();

namespace gl_object_detail {
unsigned int generate(GlObjectKind kind);
void release(GlObjectKind kind, unsigned int name);
void count_adopted(GlObjectKind kind);
}  // namespace gl_object_detail

template <GlObjectKind Kind>
class GlObject {
public:
    GlObject() = default;
    // Takes ownership of a name made elsewhere (glCreateProgram, a helper
    // that makes and fills a texture); 0 owns nothing.
    explicit GlObject(unsigned int adopted) : name_(adopted) {
        if (name_ != 0) gl_object_detail::count_adopted(Kind);
    }
    // A fresh name from glGen* (glCreate* for programs and shaders needs
    // arguments, so those are adopted instead).
    static GlObject generate() { return GlObject(Generated{}, gl_object_detail::generate(Kind)); }

    ~GlObject() { reset(); }
    GlObject(GlObject&& other) noexcept : name_(std::exchange(other.name_, 0u)) {}
    GlObject& operator=(GlObject&& other) noexcept {
        if (this != &other) {
            reset();
            name_ = std::exchange(other.name_, 0u);
        }
        return *this;
    }
    GlObject(const GlObject&) = delete;
    GlObject& operator=(const GlObject&) = delete;

    unsigned int get() const { return name_; }
    operator unsigned int() const { return name_; }
    // The address of the name, for GL calls that read an array of names.
    const unsigned int* address() const { return &name_; }

    void reset() {
        if (name_ != 0) gl_object_detail::release(Kind, std::exchange(name_, 0u));
    }

private:
    struct Generated {};
    GlObject(Generated, unsigned int name) : name_(name) {}
    unsigned int name_ = 0;
};

using GlBuffer = GlObject<GlObjectKind::Buffer>;
using GlVertexArray = GlObject<GlObjectKind::VertexArray>;
using GlTexture = GlObject<GlObjectKind::Texture>;
using GlFramebuffer = GlObject<GlObjectKind::Framebuffer>;
using GlProgram = GlObject<GlObjectKind::Program>;
using GlShader = GlObject<GlObjectKind::Shader>;

}  // namespace quillbarrow
