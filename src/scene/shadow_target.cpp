#include "scene/shadow_target.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <GL/glew.h>

#include "player/diagnostics.h"

namespace quillbarrow {

ShadowTarget::ShadowTarget(std::uint32_t width, std::uint32_t height) : width(width), height(height) {
    // Made in the middle of a frame, when first drawn: what was bound stays
    // bound.
    GLint previous_framebuffer = 0, previous_texture = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous_framebuffer);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous_texture);
    framebuffer = GlFramebuffer::generate();
    texture = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, texture);
#ifdef __EMSCRIPTEN__
    // WebGL takes float depth only in a sized format, and filters it only
    // with the nearest texel.
    const GLint format = GL_DEPTH_COMPONENT32F;
    const GLint filter = GL_NEAREST;
#else
    const GLint format = GL_DEPTH_COMPONENT;
    const GLint filter = GL_LINEAR;
#endif
    glTexImage2D(GL_TEXTURE_2D, 0, format, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                 GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, texture, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) report_notice(format_message("FB Error! Status: 0x%x", status));
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous_framebuffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous_texture));
}

std::shared_ptr<ShadowTarget> free_shadow_target(std::uint32_t width, std::uint32_t height) {
    static std::vector<std::weak_ptr<ShadowTarget>> targets;
    targets.erase(std::remove_if(targets.begin(), targets.end(), [](const auto& t) { return t.expired(); }),
                  targets.end());
    for (const auto& weak : targets) {
        std::shared_ptr<ShadowTarget> target = weak.lock();
        if (target->width == width && target->height == height && !target->in_use) return target;
    }
    auto target = std::make_shared<ShadowTarget>(width, height);
    targets.push_back(target);
    return target;
}

}  // namespace quillbarrow
