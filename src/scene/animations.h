#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scene/model_animation.h"

namespace quillbarrow {

namespace Animation {

class Skeleton;

// A model's animations in glTF order, selectable by index.
class Animations {
public:
    // Registers an animation: appended to ordered, entered by name (a later
    // animation of the same name replaces the earlier entry).
    void add(std::shared_ptr<ModelAnimation> animation);

    // Selects entry (index mod count), the index taken as unsigned 64-bit,
    // and poses the skeleton with it. Needs at least one animation.
    void apply_to_skeleton(std::int64_t index, float phase, Skeleton& skeleton);
    // Selects the same way and poses the records of that animation.
    void apply_to_records(std::int64_t index, float phase, std::vector<NodeAnimationRecord>& records);

    std::map<std::string, std::shared_ptr<ModelAnimation>> by_name;
    std::vector<std::shared_ptr<ModelAnimation>> ordered;
    ModelAnimation* current = nullptr;
    std::map<std::string, std::int32_t> index_by_name;

private:
    ModelAnimation* select(std::int64_t index);
};

}  // namespace Animation

}  // namespace quillbarrow
