#include "scene/model_camera.h"

#include <cmath>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/matrix.hpp>

#include "scene/model.h"

namespace quillbarrow {

namespace {

constexpr double kHalfTurn = 3.14159265358979323846;

bool positive(double value) { return std::isfinite(value) && value > 0.0; }

int node_holding(const tinygltf::Model& gltf, int camera) {
    for (std::size_t n = 0; n < gltf.nodes.size(); ++n)
        if (gltf.nodes[n].camera == camera) return static_cast<int>(n);
    return -1;
}

}  // namespace

glm::mat4 view_from_node(const glm::mat4& world) {
    glm::mat4 unscaled = world;
    for (int axis = 0; axis < 3; ++axis) {
        const float length = glm::length(glm::vec3(world[axis]));
        if (length > 0.0f) unscaled[axis] = world[axis] / length;
    }
    return glm::inverse(unscaled);
}

bool camera_projection(const tinygltf::Camera& camera, float aspect, glm::mat4* out) {
    if (camera.type == "perspective") {
        const tinygltf::PerspectiveCamera& p = camera.perspective;
        if (!positive(p.yfov) || p.yfov >= kHalfTurn || !positive(p.znear) || !positive(aspect)) return false;
        const auto yfov = static_cast<float>(p.yfov);
        const auto znear = static_cast<float>(p.znear);
        if (p.zfar <= 0.0) {  // absent
            *out = glm::infinitePerspective(yfov, aspect, znear);
            return true;
        }
        if (!std::isfinite(p.zfar) || p.zfar <= p.znear) return false;
        *out = glm::perspective(yfov, aspect, znear, static_cast<float>(p.zfar));
        return true;
    }
    if (camera.type == "orthographic") {
        const tinygltf::OrthographicCamera& o = camera.orthographic;
        if (!std::isfinite(o.xmag) || !std::isfinite(o.ymag) || o.xmag == 0.0 || o.ymag == 0.0) return false;
        if (!std::isfinite(o.znear) || !std::isfinite(o.zfar) || o.znear < 0.0 || o.zfar <= o.znear) return false;
        const auto x = static_cast<float>(o.xmag);
        const auto y = static_cast<float>(o.ymag);
        *out = glm::ortho(-x, x, -y, y, static_cast<float>(o.znear), static_cast<float>(o.zfar));
        return true;
    }
    return false;
}

bool model_camera_view(const Model& model, int camera, float aspect, ModelCameraView* out) {
    const tinygltf::Model& gltf = model.gltf;
    if (camera < 0 || static_cast<std::size_t>(camera) >= gltf.cameras.size()) return false;
    const int node = node_holding(gltf, camera);
    if (node < 0) return false;
    if (!camera_projection(gltf.cameras[static_cast<std::size_t>(camera)], aspect, &out->projection)) return false;
    out->view = view_from_node(model.node_world(node));
    return true;
}

}  // namespace quillbarrow
