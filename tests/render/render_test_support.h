#pragma once

#include <array>
#include <memory>
#include <string>

#include <GL/glew.h>

#include "player/player_state.h"
#include "render/shader_dialect.h"
#include "render/shader_program.h"
#include "support/gl_test_context.h"

namespace quillbarrow {

// A program from a dialect body: the prelude, extra declarations, the body.
inline std::unique_ptr<ShaderProgram> dialect_program(const std::string& declarations, const std::string& body,
                                                      const std::string& filename = "test.frag") {
    auto program = std::make_unique<ShaderProgram>();
    program->fragment_shader_filename = filename;
    program->fragment_shader_source = fragment_prelude + declarations + body;
    program->rebuild();
    return program;
}

// An off-screen colour target the tests draw into and read back.
class TestTarget {
public:
    TestTarget(int width, int height) : width_(width), height_(height) {
        glGenFramebuffers(1, &framebuffer_);
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
        bind();
    }
    ~TestTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteTextures(1, &texture_);
    }
    void bind() const {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glViewport(0, 0, width_, height_);
    }
    void clear(float r, float g, float b, float a) const {
        bind();
        glClearColor(r, g, b, a);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 1);
    }
    // RGBA of one pixel, x from the left, y from the bottom.
    std::array<int, 4> pixel(int x, int y) const {
        unsigned char rgba[4] = {};
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2], rgba[3]};
    }

private:
    int width_, height_;
    unsigned int framebuffer_ = 0, texture_ = 0;
};

// The GL texture bound to GL_TEXTURE_2D on a unit.
inline unsigned int bound_texture(int unit) {
    GLint name = 0;
    glActiveTexture(GL_TEXTURE0 + unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<unsigned int>(name);
}

inline void set_display_size(int width, int height) { display_size = {width, height, width, height}; }

#define EXPECT_NEAR_RGBA(pixel, r, g, b, a, tolerance)                                                                 \
    do {                                                                                                               \
        auto p_ = (pixel);                                                                                             \
        EXPECT_NEAR(p_[0], (r), (tolerance)) << "red";                                                                 \
        EXPECT_NEAR(p_[1], (g), (tolerance)) << "green";                                                               \
        EXPECT_NEAR(p_[2], (b), (tolerance)) << "blue";                                                                \
        EXPECT_NEAR(p_[3], (a), (tolerance)) << "alpha";                                                               \
    } while (0)

}  // namespace quillbarrow
