#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "timeline/control_point.h"

namespace quillbarrow {

class BinaryReader;
class BinaryWriter;
class JsonValue;

enum class InterpolationMode : std::int32_t {
    LastValue = 0,
    Linear = 1,
    Smooth = 2,
    // Any other stored value is carried as is and evaluates to 0.
};

// Display name of a mode for editing surfaces; empty for unknown modes.
const char* interpolation_mode_name(InterpolationMode mode);

// A named animation curve of an event (the name is the event's map key).
// Points stay in stored order; nothing sorts them. Evaluation finds the
// current point by binary search when the beats ascend, which is why the
// points are only changed through set_points/add_point: they keep the
// ascending flag up to date.
class ControlTrack {
public:
    ControlTrack() = default;
    ControlTrack(std::vector<ControlPoint> points, InterpolationMode mode, bool repeat);

    const std::vector<ControlPoint>& points() const { return points_; }
    void set_points(std::vector<ControlPoint> points);
    void add_point(ControlPoint point);
    bool empty() const { return points_.empty(); }
    // True when every beat is at or after the one before it (no NaN).
    bool ascending() const { return ascending_; }

    // Index of the current point at a local beat (beat - event start), -1
    // when no point is at or before it. Walks from the first point and stops
    // at the first point past `local` once a current point exists.
    std::ptrdiff_t current_index(float local) const;
    // Highest index whose beat is at or before `local`, -1 if none; the rule
    // text tracks use.
    std::ptrdiff_t last_index_at_or_before(float local) const;

    // Value at a local beat, for an event that is live at that beat.
    float value_at_local(float local) const;

    // "mode", "repeat" and "control_points"; text points are written with
    // their text, all others with their value.
    JsonValue to_json() const;
    static ControlTrack from_json(const JsonValue& value);
    // Everything after the track name: mode, repeat, points.
    void write(BinaryWriter& out) const;
    static ControlTrack read(BinaryReader& in);

    // A track created by a lookup is linear and does not repeat.
    InterpolationMode mode = InterpolationMode::Linear;
    bool repeat = false;

private:
    std::ptrdiff_t scan_current_index(float local) const;
    void refresh_ascending();

    std::vector<ControlPoint> points_;
    bool ascending_ = true;
    // The beats alone, contiguous, for the search; kept only while the
    // points ascend.
    std::vector<float> beats_;
};

}  // namespace quillbarrow
