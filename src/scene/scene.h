#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>

#include "scene/camera.h"
#include "scene/gpu_instancing.h"
#include "scene/node.h"
#include "serialization/object_key.h"
#include "serialization/serializable.h"

namespace quillbarrow {

class FaceCulling;
class Model;
class ShaderProgram;
struct ModelCameraView;
class ShadowTarget;

// What an effect draws when it shows 3D content: the model of its root node
// seen through its camera (or one borrowed from camera_scene), and the
// depth-only target of its shadow pass, seen from light_camera. The depth
// target is shared with the other scenes and taken when first drawn.
class Scene : public ISerializable {
public:
    // Both end with create_shadow_target.
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

    // The light camera. The depth target comes with the first draw.
    void create_shadow_target();

    // Holds a depth target of the scene's size for one draw, from its shadow
    // pass to the end of its visible pass, and names it in shadow_framebuffer
    // and shadow_map. A scene drawn as an input meanwhile takes another
    // target; the same scene drawn again inside its own draw keeps this one.
    class ShadowTargetUse {
    public:
        explicit ShadowTargetUse(Scene& scene);
        ~ShadowTargetUse();
        ShadowTargetUse(const ShadowTargetUse&) = delete;
        ShadowTargetUse& operator=(const ShadowTargetUse&) = delete;

    private:
        Scene& scene_;
    };

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
    // While set, the visible pass views through this glTF camera of the
    // model (the "model_camera" track); the shadow pass keeps the light.
    std::optional<std::int32_t> model_camera;
    std::uint32_t shadow_map_width = 8192;
    std::uint32_t shadow_map_height = 8192;
    // The target of the last draw; 0 before the first.
    unsigned int shadow_framebuffer = 0;
    unsigned int shadow_map = 0;

    // camera_scene's key between a binary read and resolve_references, and
    // a camera_scene name that matched nothing.
    std::uint64_t camera_scene_key = 0;
    std::string unresolved_camera_scene;

private:
    // A node's "extras" as drawing reads them.
    struct NodeExtras {
        bool ignore_shadow = false;
        std::int32_t render_pass = 1;
        std::int32_t tag = 0;
    };
    // What one render call shares with every node it visits. It is kept
    // from frame to frame so that drawing allocates nothing once it has
    // grown.
    struct DrawState {
        ShaderProgram* program = nullptr;
        Model* model = nullptr;
        int instance = 0;
        glm::mat4 view{1.0f};
        glm::mat4 projection{1.0f};
        glm::mat4 light_view_projection{1.0f};
        // Nodes already walked in this pass. glTF nodes form a tree; a node
        // listed twice, by one parent or by two, or in a cycle, is walked
        // once, so one pass costs at most one visit per node.
        std::vector<bool> visited;
        int depth = 0;
        // Pass numbers that some node asked for, sorted: passes nobody asked
        // for would draw nothing, so they are not walked.
        std::vector<std::int32_t> requested_passes;
        GpuInstanceBudget gpu_instance_budget;
        FaceCulling* culling = nullptr;
    };
    void draw_node(DrawState& state, int node, int pass, const glm::mat4& parent);
    void bind_material(DrawState& state, int material);
    // The view through the model's camera that model_camera names, with the
    // viewport's aspect ratio; said once when it has none.
    bool view_through_model_camera(const Model& model, ModelCameraView* view);
    bool reported_no_camera_ = false;
    bool reported_model_camera_ = false;
    DrawState draw_state_;
    // Kept after a draw so that the next draw usually finds it free.
    std::shared_ptr<ShadowTarget> shadow_target_;
    int shadow_target_holders_ = 0;
};

// World matrix of a glTF node under a parent matrix: parent * matrix when
// the node has one, else parent * T * R * S (rotation not normalised).
glm::mat4 node_world_matrix(const tinygltf::Node& node, const glm::mat4& parent);

}  // namespace quillbarrow
