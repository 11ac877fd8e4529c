#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>

#include "scene/camera.h"
#include "scene/node.h"
#include "serialization/object_key.h"
#include "serialization/serializable.h"

class Model;
class ShaderProgram;

// What an effect draws when it shows 3D content: the model of its root node
// seen through its camera (or one borrowed from camera_scene), and the
// depth-only target of its shadow pass, seen from light_camera.
class Scene : public ISerializable {
public:
    // Both end with create_shadow_target, so they need a current GL context.
    explicit Scene(const JsonValue& value);
    explicit Scene(BinaryReader& in);
    ~Scene() override;

    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    // After every scene of a JSON document exists: the root node's model by
    // filename, camera_scene by name (null when the name matches nothing).
    void link_by_name(const JsonValue& entry, const NameMap<Model>& models, const NameMap<Scene>& scenes);
    // After a binary document is read: the same through object keys.
    void resolve_references(const ObjectMap& objects);

    // The light camera and the 8192 x 8192 depth texture and framebuffer.
    void create_shadow_target();

    // The camera the current pass views through: the light camera in the
    // shadow pass, else the own camera, the borrowed one, or the own one
    // with the borrowed direction copied in. Null when there is none.
    Camera* active_camera();
    // The camera the timeline's camera tracks and light placement act on:
    // the own camera, else the one borrowed from camera_scene, else null.
    Camera* steered_camera();

    // Draws the root node's model with the bound program, once per instance
    // and render pass (both passes; the effect sets shadow_pass).
    void render(ShaderProgram* program);

    std::unique_ptr<Node> root_node;
    std::unique_ptr<Camera> camera;
    std::unique_ptr<Camera> light_camera;
    std::string name;
    Scene* camera_scene = nullptr;
    bool camera_scene_only_direction = false;
    bool shadow_pass = false;
    std::uint32_t shadow_map_width = 8192;
    std::uint32_t shadow_map_height = 8192;
    unsigned int shadow_framebuffer = 0;
    unsigned int shadow_map = 0;

    // camera_scene's key between a binary read and resolve_references, and
    // a camera_scene name that matched nothing.
    std::uint64_t camera_scene_key = 0;
    std::string unresolved_camera_scene;

private:
    struct DrawState;
    void draw_node(DrawState& state, int node, int pass, const glm::mat4& parent);
    void bind_material(DrawState& state, int material);
    bool reported_no_camera_ = false;
};

// World matrix of a glTF node under a parent matrix: parent * matrix when
// the node has one, else parent * T * R * S (rotation not normalised).
glm::mat4 node_world_matrix(const tinygltf::Node& node, const glm::mat4& parent);
