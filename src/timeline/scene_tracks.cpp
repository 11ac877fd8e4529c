#include "timeline/scene_tracks.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "player/diagnostics.h"
#include "player/player_state.h"
#include "scene/camera.h"
#include "scene/draw_limits.h"
#include "scene/model.h"
#include "scene/scene.h"
#include "timeline/event.h"

namespace quillbarrow {

namespace {

constexpr float kDefaultLightDistance = 50.0f;
constexpr float kLightNearPlane = 0.01f;

template <class Int>
Int truncate_to(float value) {
    if (std::isnan(value)) return 0;
    // Compared in double: the limits of a 64-bit integer are not floats.
    const double v = std::trunc(static_cast<double>(value));
    if (v <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (v >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}

// Value of the event's own track at the beat, or the fallback when the event
// has no track of that name. A present track with no points gives 0.
float track_or(const Event& event, SceneTrack name, float beat, float fallback, bool* present = nullptr) {
    const ControlTrack* track = event.find_track(scene_track_name(name));
    if (present) *present = track != nullptr;
    return track ? event.value_at(track, beat) : fallback;
}

SceneTrack camera_track(int i) { return static_cast<SceneTrack>(static_cast<int>(SceneTrack::CameraPositionX) + i); }
SceneTrack light_track(int axis) { return static_cast<SceneTrack>(static_cast<int>(SceneTrack::LightX) + axis); }

}  // namespace

std::int32_t truncate_to_int32(float value) { return truncate_to<std::int32_t>(value); }
std::int64_t truncate_to_int64(float value) { return truncate_to<std::int64_t>(value); }

float animation_phase(float position, float divider, float start, float end) {
    const float window_start = start / divider;
    return std::fmod(position, 1.0f) * (end / divider - window_start) + window_start;
}

void apply_scene_tracks(Event& event, Scene& scene, float beat) {
    // A scene without a camera of its own is steered through the one it
    // borrows; with neither, only the light and the rest are set.
    Camera* camera = scene.steered_camera();
    if (camera) {
        for (int i = 0; i < 9; ++i) {
            bool present = false;
            float value = track_or(event, camera_track(i), beat, 0.0f, &present);
            if (present) camera->track_float(i) = value;
        }
    }

    const float distance = track_or(event, SceneTrack::LightDistance, beat, kDefaultLightDistance);
    if (Camera* light = scene.light_camera.get()) {
        light->ortho_half_size = distance;
        light->znear = kLightNearPlane;
        const glm::vec3 eye = camera ? camera->position : glm::vec3(0.0f);
        for (int axis = 0; axis < 3; ++axis) {
            bool present = false;
            float value = track_or(event, light_track(axis), beat, 0.0f, &present);
            if (!present) continue;
            // The light sits at the given distance along its direction from
            // the camera, looking at the camera's position.
            light->position[axis] = value * distance + eye[axis];
            light->direction[axis] = eye[axis];
        }
    }

    bool has_instances = false;
    float instances = track_or(event, SceneTrack::RenderInstances, beat, 1.0f, &has_instances);
    instance_count = has_instances ? truncate_to_int32(instances) : 1;
    if (instance_count > kMaxRenderInstances) {
        // Said once per process: the track is read twice a frame.
        static bool reported = false;
        if (!reported) {
            report_notice(format_message("Event \"%s\": render_instances %d is more than %d; %d instances are drawn",
                                         event.name.c_str(), instance_count, kMaxRenderInstances, kMaxRenderInstances));
            reported = true;
        }
        instance_count = kMaxRenderInstances;
    }

    bool has_model_camera = false;
    const float model_camera = track_or(event, SceneTrack::ModelCamera, beat, 0.0f, &has_model_camera);
    scene.model_camera = has_model_camera ? std::optional<std::int32_t>(truncate_to_int32(model_camera)) : std::nullopt;

    Model* model = scene.root_node ? scene.root_node->model : nullptr;
    if (!model || !model->has_animations) return;
    const std::int64_t index = truncate_to_int64(track_or(event, SceneTrack::AnimationIndex, beat, 0.0f));
    const float phase = animation_phase(track_or(event, SceneTrack::AnimationPosition, beat, 0.0f),
                                        track_or(event, SceneTrack::AnimationDivider, beat, 1.0f),
                                        track_or(event, SceneTrack::AnimationStart, beat, 0.0f),
                                        track_or(event, SceneTrack::AnimationEnd, beat, 1.0f));
    model->animate(index, phase);
}

}  // namespace quillbarrow
