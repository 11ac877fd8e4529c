#include "scene/model_animation.h"

#include <cmath>
#include <cstdio>

#include "player/diagnostics.h"
#include "scene/skeleton.h"

namespace quillbarrow {

namespace Animation {

namespace {

glm::quat as_quat(const glm::vec4& v) { return glm::quat(v.w, v.x, v.y, v.z); }

// Blend factor of t within the segment [a, b]. A segment of zero length
// (two keys at the same time) jumps straight to its end value instead of
// dividing by zero; the segment that starts there agrees with it.
float segment_position(float a, float b, float t) {
    float length = b - a;
    return length > 0.0f ? (t - a) / length : 1.0f;
}

void apply_linear(ChannelPath path, const glm::vec4& from, const glm::vec4& to, float u, PoseRef& pose) {
    if (path == ChannelPath::Rotation) {
        glm::quat q = slerp_shortest(as_quat(from), as_quat(to), u);
        float length = glm::length(q);
        pose.rotation = length > 0.0f ? q / length : glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    glm::vec3 blended = (1.0f - u) * glm::vec3(from) + u * glm::vec3(to);
    if (path == ChannelPath::Translation) {
        pose.translation = blended;
    } else {
        pose.scale = blended;
    }
}

// A key's value as stored: rotations are not normalised.
void apply_value(ChannelPath path, const glm::vec4& value, PoseRef& pose) {
    switch (path) {
    case ChannelPath::Translation: pose.translation = glm::vec3(value); break;
    case ChannelPath::Rotation: pose.rotation = as_quat(value); break;
    default: pose.scale = glm::vec3(value); break;
    }
}

// glTF's cubic Hermite spline between keys i and i + 1. Each key holds
// in-tangent, value and out-tangent; the tangents are per second, so they
// are scaled by the segment's length.
void apply_cubic(ChannelPath path, const std::vector<glm::vec4>& values, std::size_t i, float length, float u,
                 PoseRef& pose) {
    const glm::vec4& p0 = values[3 * i + 1];
    const glm::vec4 m0 = length * values[3 * i + 2];
    const glm::vec4 m1 = length * values[3 * i + 3];
    const glm::vec4& p1 = values[3 * i + 4];
    const float u2 = u * u;
    const float u3 = u2 * u;
    const glm::vec4 point = (2.0f * u3 - 3.0f * u2 + 1.0f) * p0 + (u3 - 2.0f * u2 + u) * m0 +
                            (-2.0f * u3 + 3.0f * u2) * p1 + (u3 - u2) * m1;
    if (path != ChannelPath::Rotation) {
        apply_value(path, point, pose);
        return;
    }
    const float norm = glm::length(point);
    pose.rotation = norm > 0.0f ? as_quat(point / norm) : glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
}

// The last segment whose start key is at or before t, found by bisection;
// t lies within [keys.front(), keys.back()] and there are two keys or more.
// At an inner key that is the segment starting there; at the last key, the
// last segment.
std::size_t segment_holding(const std::vector<float>& keys, float t) {
    std::size_t low = 0;
    std::size_t high = keys.size() - 1;  // keys[high] is past t, or the last key
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (keys[middle] <= t) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

bool is_sampled_path(ChannelPath path) {
    return path == ChannelPath::Translation || path == ChannelPath::Rotation || path == ChannelPath::Scale;
}

}  // namespace

glm::quat slerp_shortest(glm::quat a, glm::quat b, float u) {
    float d = glm::dot(a, b);
    if (d < 0.0f) {
        b = -b;
        d = -d;
    }
    if (d > 0.9999999f) return (1.0f - u) * a + u * b;
    float theta = std::acos(d);
    return (std::sin((1.0f - u) * theta) * a + std::sin(u * theta) * b) / std::sin(theta);
}

void sample_channel(const Channel& channel, const Sampler& sampler, float t, PoseRef pose) {
    // Unsupported paths were reported when the animation was loaded.
    if (channel.path == ChannelPath::Unsupported) return;
    const std::vector<float>& keys = sampler.times;
    const bool cubic = sampler.interpolation == Interpolation::CubicSpline;
    const std::size_t per_key = cubic ? 3 : 1;
    if (keys.empty() || sampler.values.size() / per_key < keys.size()) return;
    if (!is_sampled_path(channel.path)) {
        report_warning("not found");
        return;
    }
    if (!cubic && sampler.interpolation != Interpolation::Linear && sampler.interpolation != Interpolation::Step) {
        report_warning("interpolation not supported");
        return;
    }
    // Before the first key and after the last the channel holds the value of
    // that key, as glTF defines it, so a channel shorter than its animation
    // rests at its ends instead of keeping whatever the last frame left.
    const std::size_t value_in_key = cubic ? 1 : 0;
    if (keys.size() == 1 || !(t >= keys.front())) {  // a NaN time too
        apply_value(channel.path, sampler.values[value_in_key], pose);
        return;
    }
    if (t > keys.back()) {
        apply_value(channel.path, sampler.values[(keys.size() - 1) * per_key + value_in_key], pose);
        return;
    }
    const std::size_t i = segment_holding(keys, t);
    const float u = segment_position(keys[i], keys[i + 1], t);
    switch (sampler.interpolation) {
    case Interpolation::Linear: apply_linear(channel.path, sampler.values[i], sampler.values[i + 1], u, pose); break;
    case Interpolation::Step: apply_value(channel.path, sampler.values[i], pose); break;
    default: apply_cubic(channel.path, sampler.values, i, keys[i + 1] - keys[i], u, pose); break;
    }
}

glm::mat4 compose_world(std::int32_t node, const glm::mat4& local, const NodeHierarchy& hierarchy,
                        const std::vector<glm::mat4>& posed_locals, const std::vector<bool>& posed) {
    glm::mat4 world = local;
    const std::size_t count = hierarchy.parents.size();
    if (node < 0 || static_cast<std::size_t>(node) >= count) return world;
    // The parents were linked without cycles; the step bound is a second
    // guard that no walk can outlast the node count.
    std::int32_t ancestor = hierarchy.parents[node];
    for (std::size_t steps = 0; ancestor >= 0 && static_cast<std::size_t>(ancestor) < count && steps < count; ++steps) {
        const auto a = static_cast<std::size_t>(ancestor);
        const bool posed_here = a < posed.size() && posed[a] && a < posed_locals.size();
        world = (posed_here ? posed_locals[a] : hierarchy.rest_locals[a]) * world;
        ancestor = hierarchy.parents[a];
    }
    return world;
}

void ModelAnimation::set_time(float phase) {
    current_time = (phase - std::floor(phase)) * (end_time - start_time) + start_time;
}

void ModelAnimation::sample_into_skeleton(float phase, Skeleton& skeleton) {
    set_time(phase);
    for (const Channel& channel : channels) {
        // Channels may target nodes outside the skin (an armature or mesh
        // node); those have no joint to pose.
        auto found = skeleton.node_to_joint.find(channel.target_node);
        if (found == skeleton.node_to_joint.end()) continue;
        std::int32_t joint_index = found->second;
        if (joint_index < 0 || static_cast<std::size_t>(joint_index) >= skeleton.joints.size()) continue;
        if (channel.sampler < 0 || static_cast<std::size_t>(channel.sampler) >= samplers.size()) continue;
        Joint& joint = skeleton.joints[joint_index];
        sample_channel(channel, samplers[channel.sampler], current_time,
                       PoseRef{joint.translation, joint.rotation, joint.scale});
    }
}

void ModelAnimation::sample_into_records(float phase, std::vector<NodeAnimationRecord>& records,
                                         std::int32_t animation_index) {
    set_time(phase);
    for (NodeAnimationRecord& record : records) {
        if (record.animation != animation_index) continue;
        for (const Channel& channel : channels) {
            if (channel.target_node != record.node) continue;
            if (channel.sampler < 0 || static_cast<std::size_t>(channel.sampler) >= samplers.size()) continue;
            sample_channel(channel, samplers[channel.sampler], current_time,
                           PoseRef{record.translation, record.rotation, record.scale});
        }
    }
}

}  // namespace Animation

}  // namespace quillbarrow
