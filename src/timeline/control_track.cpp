#include "timeline/control_track.h"

#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"
#include "serialization/json_value.h"

namespace quillbarrow {

namespace {

// Smallest stored point: beat, value and an empty text's length.
constexpr std::size_t kMinStoredPointBytes = 4 + 4 + 8;

}  // namespace

const char* interpolation_mode_name(InterpolationMode mode) {
    switch (mode) {
    case InterpolationMode::LastValue: return "Last value";
    case InterpolationMode::Linear: return "Linear";
    case InterpolationMode::Smooth: return "Smooth";
    }
    return "";
}

ControlTrack::ControlTrack(std::vector<ControlPoint> points, InterpolationMode mode, bool repeat)
    : mode(mode), repeat(repeat), points_(std::move(points)) {
    refresh_ascending();
}

void ControlTrack::set_points(std::vector<ControlPoint> points) {
    points_ = std::move(points);
    refresh_ascending();
}

void ControlTrack::add_point(ControlPoint point) {
    // `<=` is false for NaN on either side, so a NaN beat clears the flag.
    const float beat = point.beat;
    if (ascending_ && (beat != beat || (!points_.empty() && !(points_.back().beat <= beat)))) {
        ascending_ = false;
        beats_.clear();
    }
    if (ascending_) beats_.push_back(beat);
    points_.push_back(std::move(point));
}

void ControlTrack::refresh_ascending() {
    ascending_ = true;
    beats_.clear();
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const float beat = points_[i].beat;
        if (beat != beat || (i > 0 && !(points_[i - 1].beat <= beat))) {
            ascending_ = false;
            beats_.clear();
            return;
        }
        beats_.push_back(beat);
    }
}

std::ptrdiff_t ControlTrack::scan_current_index(float local) const {
    std::ptrdiff_t current = -1;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const float beat = points_[i].beat;
        if (beat <= local) {
            current = static_cast<std::ptrdiff_t>(i);
        } else if (current >= 0 && beat > local) {
            break;
        }
    }
    return current;
}

std::ptrdiff_t ControlTrack::current_index(float local) const {
    if (!ascending_) return scan_current_index(local);
    if (beats_.empty()) return -1;
    // With ascending beats the walk ends on the last point at or before
    // `local`: "beat <= local" holds for a leading run of points and for no
    // point after it. Branch-free halving keeps the search cheap on long
    // tracks; a NaN `local` matches no point and gives -1, as the walk does.
    const float* base = beats_.data();
    std::size_t n = beats_.size();
    while (n > 1) {
        const std::size_t half = n / 2;
        base = base[half] <= local ? base + half : base;
        n -= half;
    }
    return (base - beats_.data()) + (*base <= local ? 1 : 0) - 1;
}

std::ptrdiff_t ControlTrack::last_index_at_or_before(float local) const {
    if (ascending_) return current_index(local);
    for (std::size_t i = points_.size(); i-- > 0;) {
        if (points_[i].beat <= local) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

float ControlTrack::value_at_local(float local) const {
    if (points_.empty()) return 0.0f;
    const std::ptrdiff_t i = current_index(local);
    if (i < 0) return 0.0f;

    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(points_.size());
    auto wrap_forward = [&](std::ptrdiff_t index) { return index == n ? (repeat ? 0 : n - 1) : index; };
    const std::ptrdiff_t next = wrap_forward(i + 1);

    const ControlPoint& current = points_[i];
    switch (mode) {
    case InterpolationMode::LastValue: return current.value;
    case InterpolationMode::Linear: {
        const float d = points_[next].beat - current.beat;
        if (d == 0.0f) return current.value;
        const float t = (local - current.beat) / d;
        return (1 - t) * current.value + t * points_[next].value;
    }
    case InterpolationMode::Smooth: {
        const float d = points_[next].beat - current.beat;
        if (d == 0.0f) return current.value;
        const std::ptrdiff_t after_next = wrap_forward(next + 1);
        const std::ptrdiff_t previous = i == 0 ? (repeat ? n - 1 : 0) : i - 1;
        const float p1 = current.value;
        const float p2 = points_[next].value;
        // A neighbour closer than 0.05 beats would bend the curve sharply;
        // the segment's own end value stands in for it.
        const float gap_before = current.beat - points_[previous].beat;
        const float gap_after = points_[after_next].beat - points_[next].beat;
        const float p0 = static_cast<double>(gap_before) > 0.05 ? points_[previous].value : p1;
        const float p3 = static_cast<double>(gap_after) > 0.05 ? points_[after_next].value : p2;
        const float t = (local - current.beat) / d;
        const float t2 = t * t;
        const float t3 = t2 * t;
        return 0.5 *
               (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 + (-p0 + 3 * p1 - 3 * p2 + p3) * t3);
    }
    }
    return 0.0f;
}

JsonValue ControlTrack::to_json() const {
    JsonValue json = JsonValue::object();
    json["mode"] = JsonValue(static_cast<int>(mode));
    json["repeat"] = JsonValue(repeat);
    JsonValue points = JsonValue::array();
    for (const ControlPoint& point : points_) {
        JsonValue p = JsonValue::object();
        p["beat"] = JsonValue(point.beat);
        if (!point.text.empty()) {
            p["text"] = JsonValue(point.text);
        } else {
            p["value"] = JsonValue(point.value);
        }
        points.push_back(std::move(p));
    }
    json["control_points"] = std::move(points);
    return json;
}

ControlTrack ControlTrack::from_json(const JsonValue& value) {
    std::vector<ControlPoint> points;
    if (value.has("control_points")) {
        const JsonValue& list = value["control_points"];
        for (const JsonValue& element : list.elements()) {
            ControlPoint point;
            point.beat = static_cast<float>(element["beat"].as_float());
            if (element.has("text")) {
                point.text = element["text"].as_string();
            } else {
                point.value = static_cast<float>(element["value"].as_float());
            }
            points.push_back(std::move(point));
        }
    }
    const auto mode = static_cast<InterpolationMode>(static_cast<std::int32_t>(value["mode"].as_int()));
    const bool repeat = value["repeat"].as_bool();
    return ControlTrack(std::move(points), mode, repeat);
}

void ControlTrack::write(BinaryWriter& out) const {
    out.write_i32(static_cast<std::int32_t>(mode));
    out.write_bool(repeat);
    out.write_count(points_.size());
    for (const ControlPoint& point : points_) {
        out.write_f32(point.beat);
        out.write_f32(point.value);
        out.write_string(point.text);
    }
}

ControlTrack ControlTrack::read(BinaryReader& in) {
    const auto mode = static_cast<InterpolationMode>(in.read_i32("control track mode"));
    const bool repeat = in.read_bool("control track repeat");
    const std::uint64_t count = in.read_count("control point count", kMinStoredPointBytes);
    std::vector<ControlPoint> points;
    points.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        ControlPoint point;
        point.beat = in.read_f32("control point beat");
        point.value = in.read_f32("control point value");
        point.text = in.read_string("control point text");
        // Text points carry no value, whatever was stored.
        if (!point.text.empty()) point.value = 0.0f;
        points.push_back(std::move(point));
    }
    return ControlTrack(std::move(points), mode, repeat);
}

}  // namespace quillbarrow
