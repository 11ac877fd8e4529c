#include "scene/skeleton.h"

#include <glm/gtc/matrix_transform.hpp>

namespace quillbarrow {

namespace Animation {

void Skeleton::update_joint_matrices() {
    const std::size_t count = joints.size();
    joint_matrices.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const Joint& joint = joints[k];
        joint_matrices[k] = glm::translate(glm::mat4(1.0f), joint.translation) * glm::mat4_cast(joint.rotation) *
                            glm::scale(glm::mat4(1.0f), joint.scale) * joint.local_matrix;
    }

    // Compose down the tree from joint 0. Each joint is visited once, so a
    // child list that loops back or names a joint twice cannot make the walk
    // run forever or apply a parent twice; joints it never reaches keep
    // their local matrix.
    if (count > 0) {
        visited_.assign(count, false);
        walk_.clear();
        walk_.push_back(0);
        visited_[0] = true;
        while (!walk_.empty()) {
            std::int32_t j = walk_.back();
            walk_.pop_back();
            const Joint& joint = joints[j];
            if (joint.parent >= 0 && static_cast<std::size_t>(joint.parent) < count && joint.parent != j) {
                joint_matrices[j] = joint_matrices[joint.parent] * joint_matrices[j];
            }
            // Pushed in reverse so that children are taken in their order.
            for (auto child = joint.children.rbegin(); child != joint.children.rend(); ++child) {
                if (*child < 0 || static_cast<std::size_t>(*child) >= count || visited_[*child]) continue;
                visited_[*child] = true;
                walk_.push_back(*child);
            }
        }
    }

    for (std::size_t k = 0; k < count; ++k) joint_matrices[k] = joint_matrices[k] * joints[k].inverse_bind_matrix;
}

}  // namespace Animation

}  // namespace quillbarrow
