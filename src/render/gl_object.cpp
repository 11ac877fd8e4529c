#include "render/gl_object.h"

#include <array>
#include <atomic>

#include <GL/glew.h>

namespace quillbarrow {

namespace {

constexpr std::size_t kKinds = static_cast<std::size_t>(GlObjectKind::Count);
// GL work happens on one thread; atomics keep the count honest if a test
// reads it from another.
std::array<std::atomic<long>, kKinds> live_counts{};

std::atomic<long>& count_of(GlObjectKind kind) { return live_counts[static_cast<std::size_t>(kind)]; }

}  // namespace

long live_gl_objects(GlObjectKind kind) { return count_of(kind).load(); }

long live_gl_objects() {
    long total = 0;
    for (const auto& count : live_counts) total += count.load();
    return total;
}

namespace gl_object_detail {

unsigned int generate(GlObjectKind kind) {
    GLuint name = 0;
    switch (kind) {
    case GlObjectKind::Buffer: glGenBuffers(1, &name); break;
    case GlObjectKind::VertexArray: glGenVertexArrays(1, &name); break;
    case GlObjectKind::Texture: glGenTextures(1, &name); break;
    case GlObjectKind::Framebuffer: glGenFramebuffers(1, &name); break;
    case GlObjectKind::Program: name = glCreateProgram(); break;
    case GlObjectKind::Shader:
    case GlObjectKind::Count: break;  // a shader needs its stage: adopt it
    }
    if (name != 0) ++count_of(kind);
    return name;
}

void count_adopted(GlObjectKind kind) { ++count_of(kind); }

void release(GlObjectKind kind, unsigned int name) {
    switch (kind) {
    case GlObjectKind::Buffer: glDeleteBuffers(1, &name); break;
    case GlObjectKind::VertexArray: glDeleteVertexArrays(1, &name); break;
    case GlObjectKind::Texture: glDeleteTextures(1, &name); break;
    case GlObjectKind::Framebuffer: glDeleteFramebuffers(1, &name); break;
    case GlObjectKind::Program: glDeleteProgram(name); break;
    case GlObjectKind::Shader: glDeleteShader(name); break;
    case GlObjectKind::Count: return;
    }
    --count_of(kind);
}

}  // namespace gl_object_detail

}  // namespace quillbarrow
