#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

namespace quillbarrow {

namespace Animation {

class Skeleton;

enum class Interpolation : std::int32_t { Linear = 0, Step = 1, CubicSpline = 2 };
enum class ChannelPath : std::int32_t { Translation = 0, Rotation = 1, Scale = 2, Unsupported = -1 };

struct Sampler {
    std::vector<float> times;       // seconds
    std::vector<glm::vec4> values;  // three-component outputs carry w = 0
    Interpolation interpolation = Interpolation::Linear;
};

struct Channel {
    ChannelPath path = ChannelPath::Unsupported;
    std::int32_t sampler = 0;
    std::int32_t target_node = 0;
};

// Rest transform of one animated node of an unskinned model, for one of
// its animations; node animation poses it and draws the node with it.
struct NodeAnimationRecord {
    std::int32_t node = 0;
    std::int32_t animation = 0;
    glm::mat4 matrix{1.0f};
    glm::vec3 translation{0.0f};
    glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 scale{1.0f};
};

// The node tree of a model as node animation composes it: each node's
// parent (-1 for a root), its local matrix at rest, and every node once
// with each parent ahead of its children.
struct NodeHierarchy {
    std::vector<std::int32_t> parents;
    std::vector<glm::mat4> rest_locals;
    std::vector<std::int32_t> parents_first;
};

// World matrix of a node: its local matrix times those of its ancestors,
// each ancestor's the posed one when posed[ancestor] is set, else its rest
// matrix. The node's own local matrix is given.
glm::mat4 compose_world(std::int32_t node, const glm::mat4& local, const NodeHierarchy& hierarchy,
                        const std::vector<glm::mat4>& posed_locals, const std::vector<bool>& posed);

// Where a channel writes: a joint's or a record's pose.
struct PoseRef {
    glm::vec3& translation;
    glm::quat& rotation;
    glm::vec3& scale;
};

// Samples the channel at time t (seconds) into the pose. At an inner key the
// segment that starts there is taken; before the first key and after the
// last the pose takes that key's value. A cubic spline sampler holds three
// values per key: in-tangent, value, out-tangent.
void sample_channel(const Channel& channel, const Sampler& sampler, float t, PoseRef pose);

// Shortest-arc spherical interpolation of two unit quaternions.
glm::quat slerp_shortest(glm::quat a, glm::quat b, float u);

// One glTF animation: its samplers and channels, and the time window from
// the earliest to the latest key of all its samplers that a phase of 0..1
// spans.
class ModelAnimation {
public:
    explicit ModelAnimation(std::string animation_name) : name(std::move(animation_name)) {}

    // current_time = fract(phase) * (end - start) + start, then every channel
    // whose target node is a joint of the skeleton poses that joint.
    void sample_into_skeleton(float phase, Skeleton& skeleton);
    // Same time; every record of this animation is posed by the channels
    // that target its node.
    void sample_into_records(float phase, std::vector<NodeAnimationRecord>& records, std::int32_t animation_index);

    std::vector<Sampler> samplers;
    std::vector<Channel> channels;
    std::string name;
    float start_time = 0.0f;
    float end_time = 0.0f;
    float current_time = 0.0f;

private:
    void set_time(float phase);
};

}  // namespace Animation

}  // namespace quillbarrow
