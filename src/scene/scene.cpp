#include "scene/scene.h"

#include "scene/model.h"
#include "scene/shadow_target.h"

namespace quillbarrow {

namespace {

// The camera and root node are embedded, not top-level records, so they
// have no key of their own: a non-zero word only says that one follows.
constexpr std::uint64_t kEmbeddedWord = 1;

// Cameras made for loading start as perspective with a half size of 100.
std::unique_ptr<Camera> loading_camera() {
    auto camera = std::make_unique<Camera>();
    camera->orthographic = false;
    camera->ortho_half_size = 100.0f;
    return camera;
}

}  // namespace

Scene::Scene(const JsonValue& value) { from_json(value); }

Scene::Scene(BinaryReader& in) { read(in); }

Scene::~Scene() = default;

JsonValue Scene::to_json(bool export_resources) const {
    JsonValue json = JsonValue::object();
    json["name"] = JsonValue(name);
    if (camera) json["camera"] = camera->to_json(export_resources);
    if (root_node) json["root_node"] = root_node->to_json(export_resources);
    if (camera_scene)
        json["camera_scene"] = JsonValue(camera_scene->name);
    else if (!unresolved_camera_scene.empty())
        json["camera_scene"] = JsonValue(unresolved_camera_scene);
    json["camera_scene_only_direction"] = JsonValue(camera_scene_only_direction);
    return json;
}

void Scene::write(BinaryWriter& out) const {
    out.write_string(name);
    out.write_key(camera ? kEmbeddedWord : 0);
    if (camera) camera->write(out);
    out.write_key(root_node ? kEmbeddedWord : 0);
    if (root_node) root_node->write(out);
    out.write_reference(camera_scene);
    out.write_bool(camera_scene_only_direction);
}

void Scene::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    camera.reset();
    if (value.has("camera")) {
        camera = loading_camera();
        camera->from_json(value["camera"]);
    }
    root_node.reset();
    if (value.has("root_node")) root_node = std::make_unique<Node>(value["root_node"]);
    camera_scene_only_direction = false;
    if (value.has("camera_scene_only_direction")) {
        const JsonValue& flag = value["camera_scene_only_direction"];
        camera_scene_only_direction = flag.kind() == JsonValue::Kind::Boolean && flag.as_bool();
    }
    create_shadow_target();
}

void Scene::read(BinaryReader& in) {
    name = in.read_string("scene name");
    camera.reset();
    if (in.read_key("scene camera word") != 0) {
        camera = loading_camera();
        camera->read(in);
    }
    root_node.reset();
    if (in.read_key("scene root node word") != 0) root_node = std::make_unique<Node>(in);
    camera_scene = nullptr;
    camera_scene_key = in.read_key("scene camera scene key");
    camera_scene_only_direction = in.read_bool("scene camera scene only direction");
    create_shadow_target();
}

void Scene::link_by_name(const JsonValue& entry, const NameMap<Model>& models, const NameMap<Scene>& scenes) {
    if (root_node && entry.has("root_node") && entry["root_node"].has("model")) {
        const std::string& model_name = entry["root_node"]["model"].as_string();
        root_node->model = resolve_name(models, model_name);
        root_node->unresolved_model = root_node->model ? "" : model_name;
    }
    if (entry.has("camera_scene")) {
        const std::string& scene_name = entry["camera_scene"].as_string();
        camera_scene = resolve_name(scenes, scene_name);
        unresolved_camera_scene = camera_scene ? "" : scene_name;
    }
}

void Scene::resolve_references(const ObjectMap& objects) {
    if (root_node && root_node->model_key != 0) {
        root_node->model = resolve_key<Model>(objects, root_node->model_key);
        root_node->model_key = 0;
    }
    if (camera_scene_key != 0) {
        camera_scene = resolve_key<Scene>(objects, camera_scene_key);
        camera_scene_key = 0;
    }
}

Scene::ShadowTargetUse::ShadowTargetUse(Scene& scene) : scene_(scene) {
    if (scene_.shadow_target_holders_++ > 0) return;
    std::shared_ptr<ShadowTarget>& target = scene_.shadow_target_;
    if (!target || target->in_use || target->width != scene_.shadow_map_width ||
        target->height != scene_.shadow_map_height)
        target = free_shadow_target(scene_.shadow_map_width, scene_.shadow_map_height);
    target->in_use = true;
    scene_.shadow_framebuffer = target->framebuffer;
    scene_.shadow_map = target->texture;
}

Scene::ShadowTargetUse::~ShadowTargetUse() {
    if (--scene_.shadow_target_holders_ == 0) scene_.shadow_target_->in_use = false;
}

Camera* Scene::active_camera() {
    if (shadow_pass) return light_camera.get();
    // A scene that names itself borrows nothing: copying its own direction
    // into itself would shift it on every call.
    Scene* other = camera_scene == this ? nullptr : camera_scene;
    Camera* borrowed = other ? other->camera.get() : nullptr;
    if (!borrowed) return camera.get();
    if (!camera_scene_only_direction || !camera) return borrowed;
    camera->direction = borrowed->direction_mode ? borrowed->direction : borrowed->direction - borrowed->position;
    return camera.get();
}

Camera* Scene::steered_camera() {
    if (camera) return camera.get();
    return camera_scene ? camera_scene->camera.get() : nullptr;
}

}  // namespace quillbarrow
