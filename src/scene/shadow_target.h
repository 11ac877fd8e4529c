#pragma once

#include <cstdint>
#include <memory>

#include "render/gl_object.h"

namespace quillbarrow {

// The depth-only framebuffer a scene's shadow pass draws into, with its
// depth texture. Scenes draw one after another, each reading its map right
// after drawing it, so scenes whose maps have one size share one target
// instead of holding 256 MB each from load on.
class ShadowTarget {
public:
    // Makes the GL objects; an incomplete framebuffer is reported and kept.
    ShadowTarget(std::uint32_t width, std::uint32_t height);

    const std::uint32_t width;
    const std::uint32_t height;
    GlFramebuffer framebuffer;
    GlTexture texture;
    // Set while a draw holds it, from its shadow pass to the end of its
    // visible pass, which reads the map.
    bool in_use = false;
};

// A target of that size that no draw holds, made when there is none. The
// list keeps no target alive: a target is released with its last holder.
std::shared_ptr<ShadowTarget> free_shadow_target(std::uint32_t width, std::uint32_t height);

}  // namespace quillbarrow
