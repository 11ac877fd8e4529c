#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "serialization/object_key.h"
#include "serialization/serializable.h"
#include "timeline/control_track.h"

namespace quillbarrow {

class Effect;
class AudioSample;
class EventGroup;

enum class EventType : std::int32_t {
    Effect = 1,
    AudioSample = 2,
    Group = 3,
    // Any other stored value is carried; such an event does nothing.
};

// One entry of the beat timeline: an effect drawn over a range of beats, an
// audio sample fired at one beat, or a group replayed over a range of
// beats, with named control tracks animating it.
//
// References: the JSON form names the target, the binary form stores its
// object key. The event keeps what it was given in `reference_name` or
// `reference_key` until the document resolves it, so a reference that
// matches nothing stays null, is skipped when played, and still writes its
// name back to JSON (the binary form writes key 0 for it).
class Event : public ISerializable {
public:
    // Tracks by name, ordered byte-wise (std::string compares as unsigned
    // bytes, shorter first on a common prefix).
    using TrackMap = std::map<std::string, ControlTrack, std::less<>>;

    Event() = default;
    explicit Event(const JsonValue& value) { from_json(value); }
    explicit Event(BinaryReader& in) { read(in); }

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    // After a JSON load: looks reference_name up among the kind the type
    // refers to.
    void link_by_name(const NameMap<Effect>& effects, const NameMap<AudioSample>& audio_samples,
                      const NameMap<EventGroup>& groups);

    // After a binary load: turns reference_key into the object read under
    // it. The lookups are passed in so that this header needs Effect and
    // AudioSample only by name; the template below builds them from the
    // document's key map where those classes are complete.
    void resolve_reference(const std::function<Effect*(std::uint64_t)>& find_effect,
                           const std::function<AudioSample*(std::uint64_t)>& find_audio_sample,
                           const std::function<EventGroup*(std::uint64_t)>& find_group);

    // Resolves through the document's key map and takes the target's name,
    // so a later JSON write names it. Instantiate it only where Effect,
    // AudioSample and EventGroup are complete.
    template <class EffectType = Effect, class AudioSampleType = AudioSample, class GroupType = EventGroup>
    void resolve_reference(const ObjectMap& objects) {
        resolve_reference([&](std::uint64_t key) { return resolve_key<EffectType>(objects, key); },
                          [&](std::uint64_t key) { return resolve_key<AudioSampleType>(objects, key); },
                          [&](std::uint64_t key) { return resolve_key<GroupType>(objects, key); });
        if (effect) reference_name = static_cast<const EffectType*>(effect)->name;
        if (audio_sample) reference_name = static_cast<const AudioSampleType*>(audio_sample)->name;
        if (group) reference_name = static_cast<const GroupType*>(group)->name;
    }

    // Existing track or null; never adds one.
    ControlTrack* find_track(std::string_view track_name);
    const ControlTrack* find_track(std::string_view track_name) const;
    // Existing track, or a new empty one (linear, no repeat) added under the
    // name; such a track evaluates as empty and is written out with the event.
    ControlTrack& track(std::string_view track_name);

    // True when `beat` lies within [start, end], both ends included.
    bool covers(float beat) const { return !(beat < start || beat > end); }

    // Track value at an absolute beat; 0 outside the event, for a null track
    // or before the track's first point.
    float value_at(const ControlTrack* control_track, float beat) const;
    // Text of the named track at an absolute beat, with its placeholders
    // filled in and revealed letter by letter towards the next point
    // (chars_per_beat -1 shows whole texts). Adds the track if missing.
    std::string text_at(std::string_view track_name, float beat, int chars_per_beat);

    EventType type = EventType::Effect;
    Effect* effect = nullptr;
    AudioSample* audio_sample = nullptr;
    float start = 0.0f;
    float end = 0.0f;
    std::string name;
    TrackMap tracks;
    EventGroup* group = nullptr;
    bool visible = true;

    // The target's name as read from JSON (or taken from the target once
    // resolved), and the target's key as read from the binary form.
    std::string reference_name;
    std::uint64_t reference_key = 0;

private:
    bool has_reference() const;
};

}  // namespace quillbarrow
