#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "serialization/serializable.h"

namespace quillbarrow {

// A view and projection. direction is a look-at point, or with
// direction_mode a viewing direction of any length. The timeline addresses
// position, direction and up as nine consecutive floats.
class Camera : public ISerializable {
public:
    Camera() = default;
    // Loading cameras are perspective with a half size of 100 until read.
    explicit Camera(const JsonValue& value);
    explicit Camera(BinaryReader& in);

    JsonValue to_json(bool export_resources) const override;
    // 53 bytes: position, direction, up, aspect, fov, znear, zfar, direction_mode.
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    glm::mat4 view_matrix() const;
    glm::mat4 projection_matrix() const;

    // Float i of position x, y, z, direction x, y, z, up x, y, z (i < 9).
    float& track_float(int i);

    glm::vec3 position{0.0f};
    glm::vec3 direction{0.0f};
    glm::vec3 up{0.0f};
    float aspect = 0.0f;
    float fov = 0.0f;
    float znear = 0.0f;
    float zfar = 0.0f;
    bool direction_mode = false;
    bool orthographic = false;       // not serialized
    float ortho_half_size = 100.0f;  // not serialized
};

inline constexpr std::size_t kCameraBinarySize = 53;

}  // namespace quillbarrow
