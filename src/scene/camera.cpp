#include "scene/camera.h"

#include <cmath>
#include <stdexcept>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

namespace quillbarrow {

namespace {

// Only floating-point JSON numbers count; integers and other kinds read as 0.
float read_float(const JsonValue& value) { return static_cast<float>(value.as_float()); }

glm::vec3 read_vec3(const JsonValue& value) {
    return {read_float(value[0]), read_float(value[1]), read_float(value[2])};
}

JsonValue vec3_json(const glm::vec3& v) {
    JsonValue array = JsonValue::array();
    array.push_back(JsonValue(v.x));
    array.push_back(JsonValue(v.y));
    array.push_back(JsonValue(v.z));
    return array;
}

}  // namespace

Camera::Camera(const JsonValue& value) { from_json(value); }

Camera::Camera(BinaryReader& in) { read(in); }

JsonValue Camera::to_json(bool /*export_resources*/) const {
    JsonValue json = JsonValue::object();
    json["position"] = vec3_json(position);
    json["direction"] = vec3_json(direction);
    json["up"] = vec3_json(up);
    json["aspect"] = JsonValue(aspect);
    json["fov"] = JsonValue(fov);
    json["znear"] = JsonValue(znear);
    json["zfar"] = JsonValue(zfar);
    json["direction_mode"] = JsonValue(direction_mode);
    return json;
}

void Camera::write(BinaryWriter& out) const {
    out.write_vec3(position);
    out.write_vec3(direction);
    out.write_vec3(up);
    out.write_f32(aspect);
    out.write_f32(fov);
    out.write_f32(znear);
    out.write_f32(zfar);
    out.write_bool(direction_mode);
}

void Camera::from_json(const JsonValue& value) {
    position = read_vec3(value["position"]);
    direction = read_vec3(value["direction"]);
    up = read_vec3(value["up"]);
    aspect = read_float(value["aspect"]);
    fov = read_float(value["fov"]);
    znear = read_float(value["znear"]);
    zfar = read_float(value["zfar"]);
    const JsonValue& mode = value["direction_mode"];
    direction_mode = mode.kind() == JsonValue::Kind::Boolean && mode.as_bool();
}

void Camera::read(BinaryReader& in) {
    position = in.read_vec3("camera position");
    direction = in.read_vec3("camera direction");
    up = in.read_vec3("camera up");
    aspect = in.read_f32("camera aspect");
    fov = in.read_f32("camera fov");
    znear = in.read_f32("camera znear");
    zfar = in.read_f32("camera zfar");
    direction_mode = in.read_bool("camera direction mode");
}

glm::mat4 Camera::view_matrix() const {
    const glm::vec3 target = direction_mode ? position + glm::normalize(direction) : direction;
    return glm::lookAt(position, target, up);
}

glm::mat4 Camera::projection_matrix() const {
    const float n = znear;
    const float f = zfar;
    if (orthographic) {
        const float h = ortho_half_size;
        return glm::ortho(-h, h, -h, h, n, f);
    }
    // Degrees to radians with the nine-digit factor the content was made with.
    const float t = std::tan(fov * 0.017453292f * 0.5f);
    glm::mat4 m(0.0f);
    m[0][0] = 1.0f / (t * aspect);
    m[1][1] = 1.0f / t;
    m[2][2] = -(f + n) / (f - n);
    m[2][3] = -1.0f;
    m[3][2] = -(2.0f * f * n) / (f - n);
    return m;
}

float& Camera::track_float(int i) {
    if (i < 0 || i >= 9) throw std::out_of_range("camera track float " + std::to_string(i));
    glm::vec3& v = i < 3 ? position : i < 6 ? direction : up;
    return v[i % 3];
}

}  // namespace quillbarrow
