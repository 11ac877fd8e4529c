#pragma once

#include <cstdint>

namespace quillbarrow {

class Event;
class Scene;

// The reserved tracks of an event whose effect draws a scene: the nine
// camera floats, the light's distance ("ldD") and direction ("ldX", "ldY",
// "ldZ"), the instance count ("render_instances") and the model's animation
// ("animation_index", "_position", "_divider", "_start", "_end"). Values
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
