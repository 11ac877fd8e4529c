#include "timeline/event.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "player/player_state.h"
#include "timeline/replace_first.h"

namespace quillbarrow {

namespace {

// Smallest stored track: an empty name's length, mode, repeat, point count.
constexpr std::size_t kMinStoredTrackBytes = 8 + 4 + 1 + 8;

const char* reference_key_name(EventType type) {
    switch (type) {
    case EventType::Effect: return "effect";
    case EventType::AudioSample: return "audio_sample";
    case EventType::Group: return "group";
    }
    return nullptr;
}

std::string format_float(float value) {
    char text[64];  // "%f" of the largest float takes 46 characters
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return text;
}

// The value truncated towards zero as a signed decimal integer. Values
// beyond 64 bits (and NaN) print through "%.0f" instead of overflowing.
std::string format_truncated(float value) {
    const double truncated = std::trunc(static_cast<double>(value));
    if (std::isfinite(truncated) && std::fabs(truncated) < 9.0e18) {
        return std::to_string(static_cast<long long>(truncated));
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", truncated);
    return text;
}

}  // namespace

bool Event::has_reference() const { return reference_key_name(type) != nullptr; }

JsonValue Event::to_json(bool /*export_resources*/) const {
    JsonValue json = JsonValue::object();
    json["type"] = JsonValue(static_cast<int>(type));
    json["name"] = JsonValue(name);
    if (!has_reference()) return json;

    json["visible"] = JsonValue(visible ? "true" : "false");
    json[reference_key_name(type)] = JsonValue(reference_name);
    if (type == EventType::AudioSample) {
        json["beat"] = JsonValue(start);
    } else {
        json["start_beat"] = JsonValue(start);
        json["end_beat"] = JsonValue(end);
    }
    JsonValue tracks_json = JsonValue::object();
    for (const auto& [track_name, control_track] : tracks) tracks_json[track_name] = control_track.to_json();
    json["control_points"] = std::move(tracks_json);
    return json;
}

void Event::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    const std::int64_t stored_type = value.has("type") ? value["type"].as_int() : 1;
    // The binary form keeps the type in one byte: a wider value would be
    // written as another type, with a tail no reader can parse.
    if (stored_type < 0 || stored_type > 255)
        throw std::runtime_error("Event \"" + name + "\" has type " + std::to_string(stored_type) +
                                 "; event types are 0 to 255 (1 effect, 2 audio sample, 3 group)");
    type = static_cast<EventType>(static_cast<std::int32_t>(stored_type));
    // Only the string "true" counts; a JSON boolean reads as not visible.
    visible = value.has("visible") ? value["visible"].as_string() == "true" : true;

    effect = nullptr;
    audio_sample = nullptr;
    group = nullptr;
    reference_key = 0;
    reference_name.clear();
    if (type == EventType::Effect || type == EventType::Group) {
        start = static_cast<float>(value["start_beat"].as_float());
        end = static_cast<float>(value["end_beat"].as_float());
    } else if (type == EventType::AudioSample) {
        // A sample fires at one beat and counts as playing for one beat.
        start = static_cast<float>(value["beat"].as_float());
        end = start + 1.0f;
    }
    if (const char* key = reference_key_name(type)) reference_name = value[key].as_string();

    if (value.has("control_points")) {
        for (const auto& [track_name, track_json] : value["control_points"].members()) {
            tracks[track_name] = ControlTrack::from_json(track_json);
        }
    }
}

void Event::write(BinaryWriter& out) const {
    out.write_u8(static_cast<std::uint8_t>(type));
    out.write_count(tracks.size());
    for (const auto& [track_name, control_track] : tracks) {
        out.write_string(track_name);
        control_track.write(out);
    }
    switch (type) {
    case EventType::Effect:
        out.write_bool(visible);
        out.write_reference(effect);
        out.write_f32(start);
        out.write_f32(end);
        break;
    case EventType::AudioSample:
        out.write_bool(visible);
        out.write_reference(audio_sample);
        out.write_f32(start);
        break;
    case EventType::Group:
        out.write_bool(visible);
        out.write_reference(group);
        out.write_f32(start);
        out.write_f32(end);
        break;
    default:
        // Nothing but the type and the tracks, not even the name.
        return;
    }
    out.write_string(name);
}

void Event::read(BinaryReader& in) {
    type = static_cast<EventType>(in.read_u8("event type"));
    const std::uint64_t track_count = in.read_count("event track count", kMinStoredTrackBytes);
    for (std::uint64_t i = 0; i < track_count; ++i) {
        std::string track_name = in.read_string("control track name");
        tracks[std::move(track_name)] = ControlTrack::read(in);
    }

    effect = nullptr;
    audio_sample = nullptr;
    group = nullptr;
    reference_key = 0;
    reference_name.clear();
    if (!has_reference()) return;

    visible = in.read_bool("event visible");
    reference_key = in.read_key(reference_key_name(type));
    start = in.read_f32("event start");
    end = type == EventType::AudioSample ? start + 1.0f : in.read_f32("event end");
    name = in.read_string("event name");
}

void Event::link_by_name(const NameMap<Effect>& effects, const NameMap<AudioSample>& audio_samples,
                         const NameMap<EventGroup>& groups) {
    effect = type == EventType::Effect ? resolve_name(effects, reference_name) : nullptr;
    audio_sample = type == EventType::AudioSample ? resolve_name(audio_samples, reference_name) : nullptr;
    group = type == EventType::Group ? resolve_name(groups, reference_name) : nullptr;
}

void Event::resolve_reference(const std::function<Effect*(std::uint64_t)>& find_effect,
                              const std::function<AudioSample*(std::uint64_t)>& find_audio_sample,
                              const std::function<EventGroup*(std::uint64_t)>& find_group) {
    switch (type) {
    case EventType::Effect: effect = find_effect(reference_key); break;
    case EventType::AudioSample: audio_sample = find_audio_sample(reference_key); break;
    case EventType::Group: group = find_group(reference_key); break;
    default: break;
    }
}

ControlTrack* Event::find_track(std::string_view track_name) {
    auto it = tracks.find(track_name);
    return it == tracks.end() ? nullptr : &it->second;
}

const ControlTrack* Event::find_track(std::string_view track_name) const {
    auto it = tracks.find(track_name);
    return it == tracks.end() ? nullptr : &it->second;
}

ControlTrack& Event::track(std::string_view track_name) {
    auto it = tracks.find(track_name);
    if (it == tracks.end()) it = tracks.emplace(std::string(track_name), ControlTrack()).first;
    return it->second;
}

float Event::value_at(const ControlTrack* control_track, float beat) const {
    if (!covers(beat) || !control_track) return 0.0f;
    return control_track->value_at_local(beat - start);
}

std::string Event::text_at(std::string_view track_name, float beat, int chars_per_beat) {
    if (!covers(beat)) return {};
    const ControlTrack& text_track = track(track_name);
    const auto& points = text_track.points();
    if (points.empty()) return {};
    const float local = beat - start;
    const std::ptrdiff_t i = text_track.last_index_at_or_before(local);
    if (i < 0) return {};

    const ControlPoint& current = points[i];
    std::string text = current.text;
    // <BEAT> is the frame's beat, not the (possibly group-shifted) beat the
    // event is evaluated at.
    replace_first(text, "<BEAT>", format_float(current_beat));
    replace_first(text, "<IBEAT>", format_truncated(current_beat));
    replace_first(text, "<CP>", format_float(current.beat));
    replace_first(text, "<ICP>", format_truncated(current.beat));
    const float absolute_point_beat = current.beat + start;
    replace_first(text, "<ACP>", format_float(absolute_point_beat));
    replace_first(text, "<IACP>", format_truncated(absolute_point_beat));

    const bool last_point = static_cast<std::size_t>(i) + 1 == points.size();
    if (chars_per_beat == -1 || last_point || text.empty()) return text;

    // Reveal letter by letter: the first letter at the point's beat, the
    // whole text once the fraction of the way to the next point reaches
    // (L - 1) / (L * chars_per_beat).
    const float length = static_cast<float>(text.size());
    const float t = (beat - current.beat - start) / (points[i + 1].beat - current.beat);
    const float shown = std::floor(t * length * static_cast<float>(chars_per_beat));
    // Compare before converting: an out-of-range float has no integer value.
    if (!(shown >= -1.0f && shown < length)) return text;
    const long long k = static_cast<long long>(shown) + 1;
    if (k >= 0 && static_cast<std::size_t>(k) < text.size()) return text.substr(0, static_cast<std::size_t>(k));
    return text;
}

}  // namespace quillbarrow
