#include "scene/texture_sampler.h"

#include <GL/glew.h>

namespace quillbarrow {

namespace {

int checked_wrap(int value) {
    switch (value) {
    case GL_REPEAT:
    case GL_MIRRORED_REPEAT:
    case GL_CLAMP_TO_EDGE: return value;
    default: return GL_REPEAT;
    }
}

int checked_mag_filter(int value) { return value == GL_NEAREST || value == GL_LINEAR ? value : GL_LINEAR; }

int checked_min_filter(int value) {
    switch (value) {
    case GL_NEAREST:
    case GL_LINEAR:
    case GL_NEAREST_MIPMAP_NEAREST:
    case GL_LINEAR_MIPMAP_NEAREST:
    case GL_NEAREST_MIPMAP_LINEAR:
    case GL_LINEAR_MIPMAP_LINEAR: return value;
    default: return GL_LINEAR;
    }
}

}  // namespace

TextureSampling texture_sampling(const tinygltf::Model& gltf, int texture_index) {
    TextureSampling sampling;
    if (texture_index < 0 || static_cast<std::size_t>(texture_index) >= gltf.textures.size()) return sampling;
    const int sampler = gltf.textures[static_cast<std::size_t>(texture_index)].sampler;
    if (sampler < 0 || static_cast<std::size_t>(sampler) >= gltf.samplers.size()) return sampling;
    const tinygltf::Sampler& s = gltf.samplers[static_cast<std::size_t>(sampler)];
    sampling.wrap_s = checked_wrap(s.wrapS);
    sampling.wrap_t = checked_wrap(s.wrapT);
    sampling.min_filter = checked_min_filter(s.minFilter);
    sampling.mag_filter = checked_mag_filter(s.magFilter);
    return sampling;
}

bool uses_mipmaps(int min_filter) { return min_filter != GL_NEAREST && min_filter != GL_LINEAR; }

std::vector<bool> images_needing_mipmaps(const tinygltf::Model& gltf) {
    std::vector<bool> needed(gltf.images.size(), false);
    for (std::size_t t = 0; t < gltf.textures.size(); ++t) {
        const int source = gltf.textures[t].source;
        if (source < 0 || static_cast<std::size_t>(source) >= needed.size()) continue;
        if (uses_mipmaps(texture_sampling(gltf, static_cast<int>(t)).min_filter))
            needed[static_cast<std::size_t>(source)] = true;
    }
    return needed;
}

void apply_sampling(const TextureSampling& sampling) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, sampling.wrap_s);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, sampling.wrap_t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sampling.min_filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sampling.mag_filter);
}

}  // namespace quillbarrow
