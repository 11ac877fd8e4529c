#pragma once

#include <memory>
#include <vector>

namespace quillbarrow {

class Effect;
class Event;
class Texture;

// One frame of the timeline at beat b, after the audio texture holds this
// frame's capture. First pass: live effect events refresh their texts and
// draw their input effects into their own framebuffers. Second pass: live
// visible events draw in document order, so later events draw over earlier
// ones. Returns the effect drawn last, or none.
Effect* evaluate_events(const std::vector<std::unique_ptr<Event>>& events, Texture& audio_texture, float beat);

// Live: start <= beat < end.
bool is_live(const Event& event, float beat);
// The beat a member of a group event sees: the group's content replays from
// its earliest member's start at the moment the group event starts.
float group_time(const Event& group_event, float beat);

// Refreshes the texts of the event's effect's font textures.
void update_text(Event& event, float beat, Event* parent);
// Draws an effect event, fires an audio sample event, replays a group event.
Effect* render(Event& event, Texture& audio_texture, float beat, Event* parent);
// Sends every user uniform of the event's effect's program its track value
// (or the parent group event's override, or its default); for a scene
// effect, then steers the scene with the event's reserved tracks.
void apply_to_program(Event& event, float beat, Event* parent);

// Poses every scene a live effect event (or a live member of a live group
// event) draws, with that event's tracks at the beat, without drawing. A
// scene's shadow pass draws with the pose of the previous frame; a frame
// rendered on its own has none, so it is posed first.
void pose_scenes(const std::vector<std::unique_ptr<Event>>& events, float beat);

}  // namespace quillbarrow
