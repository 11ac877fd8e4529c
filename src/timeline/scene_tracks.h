#pragma once

#include <array>
#include <cstdint>

namespace quillbarrow {

class Event;
class Scene;

// The reserved tracks of an event whose effect draws a scene. The reader
// names them only through this table, so the tools that check a project
// know every one of them.
enum class SceneTrack {
    CameraPositionX,  // the camera's nine floats, in Camera::track_float order
    CameraPositionY,
    CameraPositionZ,
    CameraDirectionX,
    CameraDirectionY,
    CameraDirectionZ,
    CameraUpX,
    CameraUpY,
    CameraUpZ,
    LightDistance,
    LightX,
    LightY,
    LightZ,
    RenderInstances,
    AnimationIndex,
    AnimationPosition,
    AnimationDivider,
    AnimationStart,
    AnimationEnd,
    ModelCamera,
    Count,
};
inline constexpr std::array<const char*, static_cast<std::size_t>(SceneTrack::Count)> kSceneTrackNames = {
    "camera_position_x",
    "camera_position_y",
    "camera_position_z",
    "camera_direction_x",
    "camera_direction_y",
    "camera_direction_z",
    "camera_up_x",
    "camera_up_y",
    "camera_up_z",
    "ldD",
    "ldX",
    "ldY",
    "ldZ",
    "render_instances",
    "animation_index",
    "animation_position",
    "animation_divider",
    "animation_start",
    "animation_end",
    "model_camera",
};
constexpr const char* scene_track_name(SceneTrack track) { return kSceneTrackNames[static_cast<std::size_t>(track)]; }

// The reserved tracks of an event whose effect draws a scene: the nine
// camera floats, the light's distance ("ldD") and direction ("ldX", "ldY",
// "ldZ"), the instance count ("render_instances") and the model's animation
// ("animation_index", "_position", "_divider", "_start", "_end"), and the
// glTF camera of the model the scene views through ("model_camera", its
// value truncated, while the track is present). Values
// come from the event's own tracks at the beat; group overrides do not apply.
void apply_scene_tracks(Event& event, Scene& scene, float beat);

// fract-of-position phase inside the played window: fmod(position, 1) *
// (end / divider - start / divider) + start / divider, in single precision.
float animation_phase(float position, float divider, float start, float end);

// A track value truncated towards zero into an integer; NaN gives 0 and
// values beyond the type's range give its limit.
std::int32_t truncate_to_int32(float value);
std::int64_t truncate_to_int64(float value);

}  // namespace quillbarrow
