#pragma once

#include <vector>

#include <tiny_gltf.h>

namespace quillbarrow {

// How a glTF texture is sampled: its sampler's wrap modes and filters as GL
// enums, each checked. A texture without a (valid) sampler repeats, as glTF
// defines; an absent or unknown filter is linear without mipmaps.
struct TextureSampling {
    int wrap_s = 0x2901;      // GL_REPEAT
    int wrap_t = 0x2901;      // GL_REPEAT
    int min_filter = 0x2601;  // GL_LINEAR
    int mag_filter = 0x2601;  // GL_LINEAR
};

TextureSampling texture_sampling(const tinygltf::Model& gltf, int texture_index);

// Whether a min filter reads mipmap levels.
bool uses_mipmaps(int min_filter);

// One flag per image: whether some texture of the model samples it with a
// mipmap min filter, so its GL texture needs its mipmap levels.
std::vector<bool> images_needing_mipmaps(const tinygltf::Model& gltf);

// Sets the sampling on the texture bound to GL_TEXTURE_2D of the active
// unit. One image may be sampled by several textures with different
// samplers, so this is done each time a texture is bound for a material.
void apply_sampling(const TextureSampling& sampling);

}  // namespace quillbarrow
