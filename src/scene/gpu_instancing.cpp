#include "scene/gpu_instancing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include "player/diagnostics.h"
#include "scene/draw_limits.h"
#include "scene/gltf_accessor.h"

namespace quillbarrow {

namespace {

constexpr const char* kInstancingExtension = "EXT_mesh_gpu_instancing";

template <class T>
T load(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// One instance attribute: the accessor's elements as vectors of its
// width, floats as stored and normalised signed integers scaled to -1..1.
struct InstanceAttribute {
    const char* name;
    int type;                // TINYGLTF_TYPE_VEC3 or _VEC4
    bool allows_normalized;  // normalised signed bytes and shorts as well as floats
};

constexpr InstanceAttribute kTranslation{"TRANSLATION", TINYGLTF_TYPE_VEC3, false};
constexpr InstanceAttribute kRotation{"ROTATION", TINYGLTF_TYPE_VEC4, true};
constexpr InstanceAttribute kScale{"SCALE", TINYGLTF_TYPE_VEC3, true};

float decode(const unsigned char* at, int component_type) {
    switch (component_type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: return std::max(load<std::int8_t>(at) / 127.0f, -1.0f);
    case TINYGLTF_COMPONENT_TYPE_SHORT: return std::max(load<std::int16_t>(at) / 32767.0f, -1.0f);
    default: return load<float>(at);
    }
}

// An attribute's element count, and its first elements up to the cap (a
// file may declare far more than are drawn).
struct InstanceValues {
    bool present = false;
    std::size_t count = 0;
    std::vector<glm::vec4> values;
};

// The attribute's elements, or false with the reason. An absent attribute
// reads as no elements.
bool read_attribute(const tinygltf::Model& gltf, const tinygltf::Value& attributes, const InstanceAttribute& attribute,
                    InstanceValues* out, std::string* why) {
    if (!attributes.Has(attribute.name)) return true;
    const tinygltf::Value& index = attributes.Get(attribute.name);
    const std::string name = attribute.name;
    if (!index.IsInt()) {
        *why = name + " is not an accessor index";
        return false;
    }
    DenseAccessor dense;
    std::string reason;
    if (!read_dense_accessor(gltf, index.Get<int>(), &dense, &reason)) {
        *why = name + ": " + reason;
        return false;
    }
    const tinygltf::Accessor& accessor = gltf.accessors[static_cast<std::size_t>(index.Get<int>())];
    const int component = accessor.componentType;
    const bool normalized_int = accessor.normalized && (component == TINYGLTF_COMPONENT_TYPE_BYTE ||
                                                        component == TINYGLTF_COMPONENT_TYPE_SHORT);
    const bool float_type = component == TINYGLTF_COMPONENT_TYPE_FLOAT;
    if (accessor.type != attribute.type || !(float_type || (attribute.allows_normalized && normalized_int))) {
        *why = name + (attribute.type == TINYGLTF_TYPE_VEC3 ? " is not a VEC3" : " is not a VEC4") +
               (attribute.allows_normalized ? " of floats or normalised signed bytes or shorts" : " of floats");
        return false;
    }
    const int width = attribute.type == TINYGLTF_TYPE_VEC3 ? 3 : 4;
    const std::size_t component_size = dense.element_size / static_cast<std::size_t>(width);
    out->present = true;
    out->count = dense.count;
    out->values.assign(std::min(dense.count, kMaxGpuInstancesPerNode), glm::vec4(0.0f));
    for (std::size_t e = 0; e < out->values.size(); ++e)
        for (int c = 0; c < width; ++c)
            out->values[e][c] = decode(dense.bytes.data() + e * dense.element_size + c * component_size, component);
    return true;
}

// The instance matrices of one node's extension object, or false with the
// reason. More than kMaxGpuInstancesPerNode are cut to it, said in *cut.
bool read_instances(const tinygltf::Model& gltf, const tinygltf::Value& extension, std::vector<glm::mat4>* out,
                    std::string* why, std::size_t* cut) {
    if (!extension.IsObject() || !extension.Has("attributes") || !extension.Get("attributes").IsObject()) {
        *why = "it has no attributes object";
        return false;
    }
    const tinygltf::Value& attributes = extension.Get("attributes");
    InstanceValues translations, rotations, scales;
    if (!read_attribute(gltf, attributes, kTranslation, &translations, why) ||
        !read_attribute(gltf, attributes, kRotation, &rotations, why) ||
        !read_attribute(gltf, attributes, kScale, &scales, why))
        return false;
    const std::size_t count = std::max({translations.count, rotations.count, scales.count});
    if (count == 0) {
        *why = "it has no instances";
        return false;
    }
    for (const auto* values : {&translations, &rotations, &scales}) {
        if (values->present && values->count != count) {
            *why = "its attributes have different counts";
            return false;
        }
    }
    *cut = count > kMaxGpuInstancesPerNode ? count - kMaxGpuInstancesPerNode : 0;
    out->resize(count - *cut);
    for (std::size_t i = 0; i < out->size(); ++i) {
        glm::mat4 matrix(1.0f);
        if (translations.present) matrix = glm::translate(matrix, glm::vec3(translations.values[i]));
        if (rotations.present) {
            const glm::vec4& r = rotations.values[i];
            const glm::quat q(r.w, r.x, r.y, r.z);
            // A zero quaternion has no direction; it is taken as no rotation.
            if (glm::length(q) > 0.0f) matrix *= glm::mat4_cast(glm::normalize(q));
        }
        if (scales.present) matrix = glm::scale(matrix, glm::vec3(scales.values[i]));
        (*out)[i] = matrix;
    }
    return true;
}

}  // namespace

void GpuInstancing::load(const tinygltf::Model& gltf, const std::string& filename, std::vector<std::string>* problems) {
    per_node_.assign(gltf.nodes.size(), {});
    for (std::size_t n = 0; n < gltf.nodes.size(); ++n) {
        const auto found = gltf.nodes[n].extensions.find(kInstancingExtension);
        if (found == gltf.nodes[n].extensions.end()) continue;
        std::string why;
        std::size_t cut = 0;
        std::string problem;
        if (!read_instances(gltf, found->second, &per_node_[n], &why, &cut)) {
            per_node_[n].clear();
            problem = "node " + std::to_string(n) + ": " + kInstancingExtension + " ignored (drawn once): " + why;
        } else if (cut > 0) {
            problem = "node " + std::to_string(n) + ": " + std::to_string(cut) + " GPU instances past the first " +
                      std::to_string(kMaxGpuInstancesPerNode) + " are not drawn";
        }
        if (problem.empty()) continue;
        report_warning(format_message("%s of %s", problem.c_str(), filename.c_str()));
        if (problems) problems->push_back(problem);
    }
}

const std::vector<glm::mat4>& GpuInstancing::of_node(std::size_t node) const {
    static const std::vector<glm::mat4> none;
    return node < per_node_.size() ? per_node_[node] : none;
}

void GpuInstanceBudget::start_draw() { left_ = kMaxGpuInstanceDraws; }

bool GpuInstanceBudget::take(const std::string& filename) {
    if (left_ > 0) {
        --left_;
        return true;
    }
    if (!reported_) {
        report_warning(format_message("%s: a scene draw reached %zu GPU instances; instanced meshes past them are "
                                      "not drawn",
                                      filename.c_str(), kMaxGpuInstanceDraws));
        reported_ = true;
    }
    return false;
}

InstanceWorlds::InstanceWorlds(const std::vector<glm::mat4>& instances, const glm::mat4& node_world,
                               GpuInstanceBudget& budget, const std::string& filename)
    : instances_(instances), node_world_(node_world), budget_(budget), filename_(filename) {}

bool InstanceWorlds::next(glm::mat4* world) {
    if (instances_.empty()) {
        if (at_++ > 0) return false;
        *world = node_world_;
        return true;
    }
    if (at_ >= instances_.size() || !budget_.take(filename_)) return false;
    *world = node_world_ * instances_[at_++];
    return true;
}

}  // namespace quillbarrow
