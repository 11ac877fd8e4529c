#pragma once

#include <memory>
#include <vector>

#include <tiny_gltf.h>

#include "render/gl_object.h"
#include "scene/model_animation.h"
#include "scene/skin.h"

namespace quillbarrow {

namespace Animation {

class Skeleton;
class Animations;

// What a model's parsed glTF holds for animation: a skeleton per skin (the
// first one also as skeleton; none without skins), the mesh nodes drawn
// with them, the node records of animated nodes that are not joints, the
// node tree they are composed through and every animation.
struct ExtractedAnimation {
    std::shared_ptr<Skeleton> skeleton;
    std::vector<std::shared_ptr<Skeleton>> skins;
    std::vector<SkinUse> skin_uses;
    std::shared_ptr<Animations> animations;
    std::vector<NodeAnimationRecord> node_records;
    NodeHierarchy hierarchy;
};

// Runs once, at the end of the model's upload; problems of the asset are
// reported on stderr.
ExtractedAnimation extract(const tinygltf::Model& gltf);

// The joint matrix block of a skinned model: a uniform buffer with room for
// 100 matrices, bound at binding point 0.
GlBuffer create_joint_buffer();

}  // namespace Animation

}  // namespace quillbarrow
