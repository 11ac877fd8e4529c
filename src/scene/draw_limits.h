#pragma once

#include <cstdint>

namespace quillbarrow {

// Bounds on the work one number of a production can ask of a scene draw.

// Instances a scene effect draws per pass; a "render_instances" value above
// it draws this many.
constexpr std::int32_t kMaxRenderInstances = 4096;

// Node levels walked below a glTF scene's roots; deeper nodes are not drawn.
// Real assets stay far shallower, and the walk recurses once per level.
constexpr int kMaxNodeDepth = 512;

}  // namespace quillbarrow
