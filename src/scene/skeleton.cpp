#include "scene/skeleton.h"

#include <cmath>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/matrix.hpp>

namespace quillbarrow {

namespace Animation {

glm::mat4 pose_matrix(const glm::vec3& translation, const glm::quat& rotation, const glm::vec3& scale,
                      const glm::mat4& matrix) {
    return glm::translate(glm::mat4(1.0f), translation) * glm::mat4_cast(rotation) *
           glm::scale(glm::mat4(1.0f), scale) * matrix;
}

void Skeleton::compute_joint_matrices(const std::vector<glm::mat4>& node_worlds, const glm::mat4& mesh_world,
                                      std::vector<glm::mat4>& out) const {
    // A mesh node that flattens everything has no inverse; its own transform
    // is then left out rather than filling the block with infinities.
    const float determinant = glm::determinant(mesh_world);
    const glm::mat4 to_mesh =
        std::isfinite(determinant) && determinant != 0.0f ? glm::inverse(mesh_world) : glm::mat4(1.0f);
    out.resize(joints.size());
    for (std::size_t k = 0; k < joints.size(); ++k) {
        const std::int32_t node = joints[k].node;
        const bool placed = node >= 0 && static_cast<std::size_t>(node) < node_worlds.size();
        out[k] = to_mesh * (placed ? node_worlds[node] : glm::mat4(1.0f)) * joints[k].inverse_bind_matrix;
    }
}

}  // namespace Animation

}  // namespace quillbarrow
