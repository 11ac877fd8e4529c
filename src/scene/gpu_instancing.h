#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>

namespace quillbarrow {

// The instance transforms of the nodes with EXT_mesh_gpu_instancing, as
// matrices (T * R * S of each instance) computed once at load. Such a
// node's mesh is drawn once per instance, with its world matrix times the
// instance's; a node without instances is drawn once, as before.
class GpuInstancing {
public:
    // Reads every node's instances. A node whose instancing cannot be used
    // (a missing or unreadable accessor, a wrong type, counts that differ)
    // is drawn once without it; past kMaxGpuInstancesPerNode the rest are
    // dropped. Each problem is reported naming the file and added to
    // *problems, one line each.
    void load(const tinygltf::Model& gltf, const std::string& filename, std::vector<std::string>* problems);

    // The node's instance matrices; empty when it has none.
    const std::vector<glm::mat4>& of_node(std::size_t node) const;

private:
    std::vector<std::vector<glm::mat4>> per_node_;
};

// What one scene draw may still draw of GPU instances in all (instances of
// every node in every render instance count). Past kMaxGpuInstanceDraws
// instanced meshes are not drawn, reported once for the scene.
class GpuInstanceBudget {
public:
    void start_draw();
    // False when the budget is spent; the first refusal is reported.
    bool take(const std::string& filename);

private:
    std::size_t left_ = 0;
    bool reported_ = false;
};

// The world matrices one node's mesh is drawn with, in turn: the node's
// own when it has no instances, else the node's times each instance's
// while the budget lasts.
class InstanceWorlds {
public:
    InstanceWorlds(const std::vector<glm::mat4>& instances, const glm::mat4& node_world, GpuInstanceBudget& budget,
                   const std::string& filename);
    // Writes the next matrix; false when there is none left.
    bool next(glm::mat4* world);

private:
    const std::vector<glm::mat4>& instances_;
    const glm::mat4& node_world_;
    GpuInstanceBudget& budget_;
    const std::string& filename_;
    std::size_t at_ = 0;
};

}  // namespace quillbarrow
