#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>

#include "scene/model_animation.h"

namespace quillbarrow {

namespace Animation {

// The joint matrix block holds this many matrices; a skin with more joints
// is drawn with the first ones.
inline constexpr std::size_t kJointBlockMatrices = 100;

// One mesh node drawn with a skin. The first node of a skin reads the
// skin's joint_matrices; a later node of the same skin sits elsewhere in the
// tree, so it has matrices of its own.
struct SkinUse {
    std::int32_t node = -1;
    std::int32_t skin = -1;
    bool shares_skin = false;
    std::vector<glm::mat4> own_matrices;
};

// Every node with a mesh and a skin of the asset, in node order.
std::vector<SkinUse> find_skin_uses(const tinygltf::Model& gltf, std::size_t skin_count);

// World matrix of every node of the hierarchy, parents first: a node's
// local matrix is locals[node] where posed[node] is set, else its rest one.
void compose_worlds(const NodeHierarchy& hierarchy, const std::vector<glm::mat4>& locals,
                    const std::vector<bool>& posed, std::vector<glm::mat4>& worlds);

// Copies the first matrices the joint matrix block holds into the buffer.
void upload_joint_block(unsigned int buffer, const std::vector<glm::mat4>& matrices);

}  // namespace Animation

}  // namespace quillbarrow
