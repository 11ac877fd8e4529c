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

void apply_step(ChannelPath path, const glm::vec4& value, PoseRef& pose) {
    switch (path) {
    case ChannelPath::Translation: pose.translation = glm::vec3(value); break;
    case ChannelPath::Rotation: pose.rotation = as_quat(value); break;
    default: pose.scale = glm::vec3(value); break;
    }
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
    if (keys.size() < 2 || sampler.values.size() < keys.size()) return;
    if (!is_sampled_path(channel.path)) {
        report_warning("not found");
        return;
    }
    for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
        if (!(keys[i] <= t && t <= keys[i + 1])) continue;
        switch (sampler.interpolation) {
        case Interpolation::Linear:
            apply_linear(channel.path, sampler.values[i], sampler.values[i + 1],
                         segment_position(keys[i], keys[i + 1], t), pose);
            break;
        case Interpolation::Step: apply_step(channel.path, sampler.values[i], pose); break;
        case Interpolation::CubicSpline: report_warning("cubicspline not supported"); break;
        default: report_warning("interpolation not supported"); break;
        }
    }
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
