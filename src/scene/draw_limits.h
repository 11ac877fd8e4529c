#pragma once

#include <cstddef>
#include <cstdint>

namespace quillbarrow {

// Bounds on the work one number of a production can ask of a scene draw.

// Instances a scene effect draws per pass; a "render_instances" value above
// it draws this many.
constexpr std::int32_t kMaxRenderInstances = 4096;

// Node levels walked below a glTF scene's roots; deeper nodes are not drawn.
// Real assets stay far shallower, and the walk recurses once per level.
constexpr int kMaxNodeDepth = 512;

// Matrices the joint matrix block holds; joints past it are not posed.
constexpr std::size_t kJointBlockMatrices = 100;

// GPU instances (EXT_mesh_gpu_instancing) one node may have; the rest are
// not drawn.
constexpr std::size_t kMaxGpuInstancesPerNode = 65536;
// GPU instances one scene draw (one pass, all its render instances) draws in
// all, each a draw of its mesh; past it, instanced meshes are not drawn.
constexpr std::size_t kMaxGpuInstanceDraws = 262144;

}  // namespace quillbarrow
