#include "scene/animations.h"

namespace quillbarrow {

namespace Animation {

void Animations::add(std::shared_ptr<ModelAnimation> animation) {
    const std::string name = animation->name;
    ordered.push_back(animation);
    by_name[name] = std::move(animation);
    index_by_name[name] = static_cast<std::int32_t>(ordered.size() - 1);
}

ModelAnimation* Animations::select(std::int64_t index) {
    if (ordered.empty()) return nullptr;
    // Taken as unsigned, a negative index wraps around 2^64 before the modulo.
    std::uint64_t position = static_cast<std::uint64_t>(index) % ordered.size();
    current = ordered[position].get();
    return current;
}

void Animations::apply_to_skeleton(std::int64_t index, float phase, Skeleton& skeleton) {
    if (ModelAnimation* animation = select(index)) animation->sample_into_skeleton(phase, skeleton);
}

void Animations::apply_to_records(std::int64_t index, float phase, std::vector<NodeAnimationRecord>& records) {
    if (ModelAnimation* animation = select(index)) {
        // The records of the animation that was selected, so an index past
        // the count poses the same nodes it plays.
        auto position = static_cast<std::int32_t>(static_cast<std::uint64_t>(index) % ordered.size());
        animation->sample_into_records(phase, records, position);
    }
}

}  // namespace Animation

}  // namespace quillbarrow
