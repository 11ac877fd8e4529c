#pragma once

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>

namespace quillbarrow {

class Model;

// Where a glTF camera of a model looks from and how it projects.
struct ModelCameraView {
    glm::mat4 view{1.0f};
    glm::mat4 projection{1.0f};
};

// The view through camera number `camera` of the model, from the first node
// that holds it, in the node's world transform of this frame, with the given
// aspect ratio for a perspective camera. False when the model has no such
// camera, no node holds it, or its projection is unusable.
bool model_camera_view(const Model& model, int camera, float aspect, ModelCameraView* out);

// The inverse of a node's world matrix with its scale taken out: a camera
// sees from the node's position along its -z with its +y up.
glm::mat4 view_from_node(const glm::mat4& world);

// glTF's projection of a camera: perspective (an infinite far plane without
// zfar) with the given aspect ratio, or orthographic from xmag and ymag.
// False when its numbers give no projection.
bool camera_projection(const tinygltf::Camera& camera, float aspect, glm::mat4* out);

}  // namespace quillbarrow
