#pragma once

#include <glm/mat3x3.hpp>
#include <tiny_gltf.h>

namespace quillbarrow {

// A texture reference's coordinate transform (KHR_texture_transform): the
// matrix that maps a vertex's texture coordinates to the ones sampled, and
// the texture coordinate set it reads (0 or 1).
struct TextureTransform {
    glm::mat3 matrix{1.0f};
    int texcoord = 0;
};

// From a texture reference's texCoord and extensions. The matrix is
// translation * rotation * scale, the rotation turning the coordinates
// counter-clockwise as seen with v pointing down (u' = u cos r + v sin r,
// v' = -u sin r + v cos r), as glTF's sample models and exporters agree.
// Values of the wrong type or not finite keep their defaults (offset 0,
// rotation 0, scale 1); a set other than 0 or 1 reads set 0.
TextureTransform texture_transform(int texcoord, const tinygltf::ExtensionMap& extensions);

}  // namespace quillbarrow
