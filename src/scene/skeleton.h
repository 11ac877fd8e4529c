#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

namespace quillbarrow {

namespace Animation {

// One joint of a skin: its rest pose from the glTF node, then whatever the
// animation last wrote into translation, rotation and scale.
struct Joint {
    std::string name;
    glm::mat4 local_matrix{1.0f};
    glm::mat4 inverse_bind_matrix{0.0f};
    glm::vec3 translation{0.0f};
    glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};  // w, x, y, z: the identity
    glm::vec3 scale{1.0f};
    std::int32_t parent = 0;  // joint index, -1 for the root
    std::vector<std::int32_t> children;
    std::int32_t node = -1;  // the glTF node it poses, -1 when that does not exist
};

// translate(translation) x rotate(rotation) x scale(scale) x matrix: a
// node's local transform from its pose and its own matrix.
glm::mat4 pose_matrix(const glm::vec3& translation, const glm::quat& rotation, const glm::vec3& scale,
                      const glm::mat4& matrix);

// One skin of a model, posed by its animations; joint_matrices are the
// skinning matrices the shader reads from the joint matrix block, for the
// first mesh node that uses the skin.
class Skeleton {
public:
    // The joint's local transform: its posed translation, rotation and
    // scale times its own matrix.
    static glm::mat4 local_pose(const Joint& joint) {
        return pose_matrix(joint.translation, joint.rotation, joint.scale, joint.local_matrix);
    }

    // Skinning matrices as a mesh node whose world matrix is mesh_world
    // sees them: inverse(mesh_world) x world matrix of the joint's node x
    // its inverse bind matrix. node_worlds holds the world matrix of every
    // node, ancestors that are not joints included; a joint whose node is
    // not there takes the identity as its world matrix.
    void compute_joint_matrices(const std::vector<glm::mat4>& node_worlds, const glm::mat4& mesh_world,
                                std::vector<glm::mat4>& out) const;
    void update_joint_matrices(const std::vector<glm::mat4>& node_worlds, const glm::mat4& mesh_world) {
        compute_joint_matrices(node_worlds, mesh_world, joint_matrices);
    }

    std::string name;
    std::vector<Joint> joints;
    std::map<std::int32_t, std::int32_t> node_to_joint;  // glTF node -> joint index
    std::vector<glm::mat4> joint_matrices;
    // The first mesh node drawn with the skin, whose view joint_matrices
    // take; -1 when no node uses it (they are then in world space).
    std::int32_t mesh_node = -1;
};

}  // namespace Animation

}  // namespace quillbarrow
