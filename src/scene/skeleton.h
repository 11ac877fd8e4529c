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
};

// The first skin of a model, posed by its animations; joint_matrices are
// the skinning matrices the shader reads from the joint matrix block.
class Skeleton {
public:
    // Local pose of every joint, composed down the joint tree from joint 0,
    // then times its inverse bind matrix.
    void update_joint_matrices();

    std::string name;
    std::vector<Joint> joints;
    std::map<std::int32_t, std::int32_t> node_to_joint;  // glTF node -> joint index
    std::vector<glm::mat4> joint_matrices;

private:
    // Scratch of the tree walk, kept so that posing every frame does not
    // allocate.
    std::vector<std::int32_t> walk_;
    std::vector<bool> visited_;
};

}  // namespace Animation

}  // namespace quillbarrow
