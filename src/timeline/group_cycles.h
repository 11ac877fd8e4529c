#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace quillbarrow {

class EventGroup;

// A member of a group whose event replays a group that leads back to the
// first one: playing it would recurse for ever.
struct GroupCycle {
    EventGroup* group = nullptr;
    std::size_t member = 0;  // index into group->events
    std::string path;        // "g1 -> e2 -> g2 -> e1 -> g1"
};

// Every member that closes a cycle, found by one walk over the groups that
// does not recurse. Cutting the members it returns leaves no cycle.
std::vector<GroupCycle> find_group_cycles(const std::vector<std::unique_ptr<EventGroup>>& groups);

}  // namespace quillbarrow
