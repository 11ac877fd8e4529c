#include "scene/animation_extraction.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "player/diagnostics.h"
#include "scene/animations.h"
#include "scene/draw_limits.h"
#include "scene/gltf_accessor.h"
#include "scene/model_animation.h"
#include "scene/skeleton.h"
#include "scene/skin.h"

namespace quillbarrow {

namespace Animation {

namespace {

constexpr GLsizeiptr kJointBlockBytes = kJointBlockMatrices * sizeof(glm::mat4);

template <class T>
T load(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// One component as a float: floats as stored, normalised integers scaled
// to -1..1 or 0..1 (the forms glTF allows for animation outputs).
float decode_component(const unsigned char* at, int component_type) {
    switch (component_type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: return std::max(load<std::int8_t>(at) / 127.0f, -1.0f);
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return load<std::uint8_t>(at) / 255.0f;
    case TINYGLTF_COMPONENT_TYPE_SHORT: return std::max(load<std::int16_t>(at) / 32767.0f, -1.0f);
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return load<std::uint16_t>(at) / 65535.0f;
    default: return load<float>(at);
    }
}

bool is_decodable_component(int component_type) {
    return component_type == TINYGLTF_COMPONENT_TYPE_FLOAT || component_type == TINYGLTF_COMPONENT_TYPE_BYTE ||
           component_type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE || component_type == TINYGLTF_COMPONENT_TYPE_SHORT ||
           component_type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
}

// The elements of an accessor, sparse substitution applied, up to four
// components each (the rest 0). False, with the reason, when the accessor
// does not lie inside its buffers or its components are not floats or
// normalised integers.
bool read_elements(const tinygltf::Model& gltf, int accessor_index, std::vector<glm::vec4>* out, std::string* why) {
    DenseAccessor dense;
    if (!read_dense_accessor(gltf, accessor_index, &dense, why)) return false;
    const tinygltf::Accessor& accessor = gltf.accessors[accessor_index];
    const int all_components = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type));
    const int components = std::min(4, all_components);
    const std::size_t component_size = dense.element_size / static_cast<std::size_t>(all_components);
    if (!is_decodable_component(accessor.componentType)) {
        *why = "component type " + std::to_string(accessor.componentType) + " is not supported";
        return false;
    }
    out->assign(dense.count, glm::vec4(0.0f));
    for (std::size_t e = 0; e < dense.count; ++e) {
        const unsigned char* element = dense.bytes.data() + e * dense.element_size;
        for (int c = 0; c < components; ++c) {
            (*out)[e][c] = decode_component(element + c * component_size, accessor.componentType);
        }
    }
    return true;
}

const tinygltf::Node* node_at(const tinygltf::Model& gltf, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= gltf.nodes.size()) return nullptr;
    return &gltf.nodes[index];
}

glm::vec3 to_vec3(const std::vector<double>& v) { return glm::vec3(v[0], v[1], v[2]); }
glm::quat to_quat(const std::vector<double>& v) {
    return glm::quat(float(v[3]), float(v[0]), float(v[1]), float(v[2]));
}
glm::mat4 to_mat4(const std::vector<double>& v) {
    float values[16];
    for (int i = 0; i < 16; ++i) values[i] = static_cast<float>(v[i]);
    return glm::make_mat4(values);
}

void read_inverse_bind_matrices(const tinygltf::Model& gltf, const tinygltf::Skin& skin, Skeleton& skeleton) {
    DenseAccessor span;
    std::string why;
    if (!read_dense_accessor(gltf, skin.inverseBindMatrices, &span, &why)) {
        report_warning(format_message("Skin %s: inverse bind matrices skipped: %s", skin.name.c_str(), why.c_str()));
        return;
    }
    const tinygltf::Accessor& accessor = gltf.accessors[skin.inverseBindMatrices];
    if (accessor.type != TINYGLTF_TYPE_MAT4 || accessor.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT) {
        report_warning(
            format_message("Skin %s: inverse bind matrices skipped: not a float MAT4 accessor", skin.name.c_str()));
        return;
    }
    std::size_t count = std::min(span.count, skeleton.joints.size());
    if (count < skeleton.joints.size()) {
        report_warning(format_message("Skin %s: %zu inverse bind matrices for %zu joints", skin.name.c_str(),
                                      span.count, skeleton.joints.size()));
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(glm::value_ptr(skeleton.joints[i].inverse_bind_matrix), span.bytes.data() + i * sizeof(glm::mat4),
                    sizeof(glm::mat4));
    }
}

void take_joint_rest_pose(const tinygltf::Node& node, Joint& joint) {
    joint.name = node.name;
    if (node.translation.size() == 3) joint.translation = to_vec3(node.translation);
    // Through a rotation matrix and back, which normalises the quaternion.
    if (node.rotation.size() == 4) joint.rotation = glm::quat_cast(glm::mat3_cast(to_quat(node.rotation)));
    if (node.scale.size() == 3) joint.scale = to_vec3(node.scale);
    joint.local_matrix = node.matrix.size() == 16 ? to_mat4(node.matrix) : glm::mat4(1.0f);
}

// Parent and children of every joint reachable from the skin's first
// joint. Children that are not joints of the skin are left out, and each
// joint is linked once, so a node graph with cycles or shared children
// still gives a tree.
void link_joints(const tinygltf::Model& gltf, const tinygltf::Skin& skin, Skeleton& skeleton) {
    auto root = skeleton.node_to_joint.find(skin.joints.front());
    if (root == skeleton.node_to_joint.end()) return;
    std::vector<bool> linked(skeleton.joints.size(), false);
    std::vector<std::pair<int, std::int32_t>> pending = {{root->first, -1}};
    linked[root->second] = true;
    while (!pending.empty()) {
        auto [node_index, parent] = pending.back();
        pending.pop_back();
        std::int32_t j = skeleton.node_to_joint.at(node_index);
        skeleton.joints[j].parent = parent;
        for (int child : gltf.nodes[node_index].children) {
            auto found = skeleton.node_to_joint.find(child);
            if (found == skeleton.node_to_joint.end() || linked[found->second]) continue;
            linked[found->second] = true;
            skeleton.joints[j].children.push_back(found->second);
            pending.push_back({child, j});
        }
    }
}

std::shared_ptr<Skeleton> extract_skeleton(const tinygltf::Model& gltf, const tinygltf::Skin& skin) {
    auto skeleton = std::make_shared<Skeleton>();
    if (skin.inverseBindMatrices < 0 || skin.joints.empty()) return skeleton;
    skeleton->joints.resize(skin.joints.size());
    skeleton->joint_matrices.assign(skin.joints.size(), glm::mat4(0.0f));
    skeleton->name = skin.name;
    report_routine_notice(format_message("name of skeleton: %s", skeleton->name.c_str()));
    if (skeleton->joints.size() > kJointBlockMatrices) {
        report_warning(format_message("Skin %s has %zu joints; the joint matrix block holds %zu, so only the first %zu "
                                      "move the mesh",
                                      skin.name.c_str(), skeleton->joints.size(), kJointBlockMatrices,
                                      kJointBlockMatrices));
    }
    read_inverse_bind_matrices(gltf, skin, *skeleton);
    for (std::size_t i = 0; i < skin.joints.size(); ++i) {
        const tinygltf::Node* node = node_at(gltf, skin.joints[i]);
        if (!node) {
            report_warning(format_message("Skin %s: joint %zu names node %d, which does not exist", skin.name.c_str(),
                                          i, skin.joints[i]));
            continue;
        }
        take_joint_rest_pose(*node, skeleton->joints[i]);
        skeleton->joints[i].node = skin.joints[i];
        skeleton->node_to_joint[skin.joints[i]] = static_cast<std::int32_t>(i);
    }
    link_joints(gltf, skin, *skeleton);
    return skeleton;
}

NodeAnimationRecord rest_record(const tinygltf::Node& node, std::int32_t node_index, std::int32_t animation) {
    NodeAnimationRecord record;
    record.node = node_index;
    record.animation = animation;
    if (node.matrix.size() == 16) record.matrix = to_mat4(node.matrix);
    if (node.translation.size() == 3) record.translation = to_vec3(node.translation);
    if (node.rotation.size() == 4) {
        glm::quat q = to_quat(node.rotation);
        float length = glm::length(q);
        record.rotation = length > 0.0f ? q / length : glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    }
    if (node.scale.size() == 3) record.scale = to_vec3(node.scale);
    return record;
}

glm::mat4 rest_local_matrix(const tinygltf::Node& node) {
    if (node.matrix.size() == 16) return to_mat4(node.matrix);
    glm::mat4 local(1.0f);
    if (node.translation.size() == 3) local = glm::translate(local, to_vec3(node.translation));
    if (node.rotation.size() == 4) local *= glm::mat4_cast(to_quat(node.rotation));
    if (node.scale.size() == 3) local = glm::scale(local, to_vec3(node.scale));
    return local;
}

// Parents from the child lists. A node named by several parents keeps the
// first, and a link that would close a loop is left out, so every walk up
// the tree ends at a root.
NodeHierarchy extract_hierarchy(const tinygltf::Model& gltf) {
    NodeHierarchy hierarchy;
    const std::size_t count = gltf.nodes.size();
    hierarchy.parents.assign(count, -1);
    hierarchy.rest_locals.reserve(count);
    for (const tinygltf::Node& node : gltf.nodes) hierarchy.rest_locals.push_back(rest_local_matrix(node));
    for (std::size_t n = 0; n < count; ++n) {
        for (int child : gltf.nodes[n].children) {
            if (child < 0 || static_cast<std::size_t>(child) >= count || hierarchy.parents[child] != -1) continue;
            bool loops = false;
            for (std::int32_t up = static_cast<std::int32_t>(n); up != -1 && !loops; up = hierarchy.parents[up])
                loops = up == child;
            if (!loops) hierarchy.parents[child] = static_cast<std::int32_t>(n);
        }
    }
    // Roots first, then breadth first through the children the links kept.
    std::vector<std::vector<std::int32_t>> children(count);
    for (std::size_t n = 0; n < count; ++n)
        if (hierarchy.parents[n] >= 0) children[hierarchy.parents[n]].push_back(static_cast<std::int32_t>(n));
    for (std::size_t n = 0; n < count; ++n)
        if (hierarchy.parents[n] < 0) hierarchy.parents_first.push_back(static_cast<std::int32_t>(n));
    for (std::size_t at = 0; at < hierarchy.parents_first.size(); ++at)
        for (std::int32_t child : children[hierarchy.parents_first[at]]) hierarchy.parents_first.push_back(child);
    return hierarchy;
}

bool is_played_path(const std::string& path) { return path == "translation" || path == "rotation" || path == "scale"; }

bool is_joint(const tinygltf::Model& gltf, int node) {
    for (const tinygltf::Skin& skin : gltf.skins)
        if (std::find(skin.joints.begin(), skin.joints.end(), node) != skin.joints.end()) return true;
    return false;
}

// One record per animated node and animation; joints of the skins are
// posed through their skeletons instead. Channels of paths that are never
// played (morph weights) make none: a record replaces the node's local
// transform, which would move a node that nothing animates.
std::vector<NodeAnimationRecord> extract_node_records(const tinygltf::Model& gltf) {
    std::vector<NodeAnimationRecord> records;
    for (std::size_t a = 0; a < gltf.animations.size(); ++a) {
        for (const tinygltf::AnimationChannel& channel : gltf.animations[a].channels) {
            if (!is_played_path(channel.target_path) || is_joint(gltf, channel.target_node)) continue;
            const tinygltf::Node* node = node_at(gltf, channel.target_node);
            if (!node) continue;
            bool known = false;
            for (const NodeAnimationRecord& r : records)
                known |= r.node == channel.target_node && r.animation == int(a);
            if (!known) records.push_back(rest_record(*node, channel.target_node, static_cast<std::int32_t>(a)));
        }
    }
    return records;
}

Sampler extract_sampler(const tinygltf::Model& gltf, const tinygltf::Animation& animation, std::size_t index) {
    const tinygltf::AnimationSampler& source = animation.samplers[index];
    Sampler sampler;
    if (source.interpolation == "STEP") {
        sampler.interpolation = Interpolation::Step;
    } else if (source.interpolation == "CUBICSPLINE") {
        sampler.interpolation = Interpolation::CubicSpline;
    }
    std::string why;
    std::vector<glm::vec4> elements;
    bool float_input = source.input >= 0 && static_cast<std::size_t>(source.input) < gltf.accessors.size() &&
                       gltf.accessors[source.input].componentType == TINYGLTF_COMPONENT_TYPE_FLOAT;
    if (float_input) {
        if (read_elements(gltf, source.input, &elements, &why)) {
            sampler.times.reserve(elements.size());
            for (const glm::vec4& e : elements) sampler.times.push_back(e.x);
        } else {
            report_warning(format_message("Animation %s sampler %zu: key times skipped: %s", animation.name.c_str(),
                                          index, why.c_str()));
        }
    }
    if (source.output < 0 || static_cast<std::size_t>(source.output) >= gltf.accessors.size()) {
        report_warning(format_message("Animation %s sampler %zu: output accessor %d does not exist",
                                      animation.name.c_str(), index, source.output));
        return sampler;
    }
    int type = gltf.accessors[source.output].type;
    if (type != TINYGLTF_TYPE_VEC3 && type != TINYGLTF_TYPE_VEC4) {
        report_warning("Kapot");
        return sampler;
    }
    if (read_elements(gltf, source.output, &elements, &why)) {
        sampler.values = std::move(elements);
    } else {
        report_warning(
            format_message("Animation %s sampler %zu: values skipped: %s", animation.name.c_str(), index, why.c_str()));
    }
    return sampler;
}

std::shared_ptr<ModelAnimation> extract_animation(const tinygltf::Model& gltf, const tinygltf::Animation& source) {
    report_routine_notice(format_message("name of animation: %s", source.name.c_str()));
    auto animation = std::make_shared<ModelAnimation>(source.name);
    for (std::size_t s = 0; s < source.samplers.size(); ++s)
        animation->samplers.push_back(extract_sampler(gltf, source, s));
    bool timed = false;
    for (const Sampler& sampler : animation->samplers) {
        if (sampler.times.empty()) continue;
        animation->start_time = timed ? std::min(animation->start_time, sampler.times.front()) : sampler.times.front();
        animation->end_time = timed ? std::max(animation->end_time, sampler.times.back()) : sampler.times.back();
        timed = true;
    }
    for (const tinygltf::AnimationChannel& source_channel : source.channels) {
        Channel channel;
        channel.sampler = source_channel.sampler;
        channel.target_node = source_channel.target_node;
        if (source_channel.target_path == "translation") {
            channel.path = ChannelPath::Translation;
        } else if (source_channel.target_path == "rotation") {
            channel.path = ChannelPath::Rotation;
        } else if (source_channel.target_path == "scale") {
            channel.path = ChannelPath::Scale;
        } else {
            report_warning("Boem kapot: path not supported");
        }
        animation->channels.push_back(channel);
    }
    return animation;
}

}  // namespace

GlBuffer create_joint_buffer() {
    GlBuffer buffer = GlBuffer::generate();
    glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    glBufferData(GL_UNIFORM_BUFFER, kJointBlockBytes, nullptr, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, buffer);
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
    return buffer;
}

ExtractedAnimation extract(const tinygltf::Model& gltf) {
    ExtractedAnimation out;
    out.animations = std::make_shared<Animations>();
    for (const tinygltf::Skin& skin : gltf.skins) out.skins.push_back(extract_skeleton(gltf, skin));
    if (!out.skins.empty()) out.skeleton = out.skins.front();
    out.node_records = extract_node_records(gltf);
    out.skin_uses = find_skin_uses(gltf, out.skins.size());
    out.hierarchy = extract_hierarchy(gltf);
    for (const tinygltf::Animation& animation : gltf.animations)
        out.animations->add(extract_animation(gltf, animation));
    return out;
}

}  // namespace Animation

}  // namespace quillbarrow
