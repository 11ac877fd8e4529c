#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <glm/vec4.hpp>
#include <tiny_gltf.h>

#include "render/gl_object.h"

namespace quillbarrow {

// The vertex attribute location of TANGENT (after POSITION 0, NORMAL 1,
// TEXCOORD_0 2, JOINTS_0 3, WEIGHTS_0 4) and of TEXCOORD_1.
inline constexpr unsigned int kTangentLocation = 5;
inline constexpr unsigned int kTexcoord1Location = 6;

// Most vertices a primitive's tangents are generated for (16 bytes each).
inline constexpr std::size_t kMaxGeneratedTangentVertices = std::size_t{1} << 24;

// The texture coordinate set (0 or 1) a material's normal texture reads, or
// -1 when the material does not exist or has no normal texture.
int normal_texture_set(const tinygltf::Model& gltf, int material);

// Per-vertex tangents of a triangle primitive (TRIANGLES, TRIANGLE_STRIP or
// TRIANGLE_FAN, indexed or not) from its float POSITION and NORMAL and its
// TEXCOORD_<set> (float, or normalized unsigned bytes or shorts): each
// triangle's texture-space directions are summed at its corners, then made
// orthogonal to the normal; w is the handedness, so that
// cross(normal, tangent.xyz) * w points up the normal texture (against v).
// Triangles with an index past the shortest of the three attributes are
// skipped. False, with the reason, when an attribute is missing, of the
// wrong kind, does not lie in its buffer, or the primitive is too large.
bool generate_tangents(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive, int set,
                       std::vector<glm::vec4>* tangents, std::string* why);

// For a normal-mapped primitive without TANGENT: generates its tangents,
// uploads them to a new buffer and points the bound vertex array's TANGENT
// location at it; vertices shrinks to the tangents' count. An empty buffer,
// with why empty when the primitive needs none, otherwise with the reason.
GlBuffer attach_generated_tangents(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive,
                                   std::size_t* vertices, std::string* why);

}  // namespace quillbarrow
