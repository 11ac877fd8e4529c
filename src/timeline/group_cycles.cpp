#include "timeline/group_cycles.h"

#include <unordered_map>

#include "timeline/event.h"
#include "timeline/event_group.h"

namespace quillbarrow {

namespace {

enum class Mark { Unvisited, OnPath, Done };

struct Frame {
    EventGroup* group;
    const Event* via;  // the member event that replays this group; none for the root
    std::size_t next = 0;
};

std::string describe(const std::vector<Frame>& path, std::size_t from, const Event& closing, const EventGroup& target) {
    std::string text;
    for (std::size_t i = from; i < path.size(); ++i) {
        if (i > from) text += " -> \"" + path[i].via->name + "\" -> ";
        text += "\"" + path[i].group->name + "\"";
    }
    return text + " -> \"" + closing.name + "\" -> \"" + target.name + "\"";
}

}  // namespace

std::vector<GroupCycle> find_group_cycles(const std::vector<std::unique_ptr<EventGroup>>& groups) {
    std::unordered_map<const EventGroup*, Mark> marks;
    for (const auto& group : groups) marks[group.get()] = Mark::Unvisited;
    std::vector<GroupCycle> cycles;
    std::vector<Frame> path;
    for (const auto& root : groups) {
        if (marks[root.get()] != Mark::Unvisited) continue;
        marks[root.get()] = Mark::OnPath;
        path.push_back({root.get(), nullptr});
        while (!path.empty()) {
            Frame& top = path.back();
            if (top.next == top.group->events.size()) {
                marks[top.group] = Mark::Done;
                path.pop_back();
                continue;
            }
            const std::size_t member = top.next++;
            const Event* event = top.group->events[member];
            if (!event || event->type != EventType::Group || !event->group) continue;
            EventGroup* target = event->group;
            auto mark = marks.find(target);
            // A group outside the list (not the document's) is left alone.
            if (mark == marks.end() || mark->second == Mark::Done) continue;
            if (mark->second == Mark::OnPath) {
                std::size_t from = 0;
                while (path[from].group != target) ++from;
                cycles.push_back({top.group, member, describe(path, from, *event, *target)});
                continue;
            }
            mark->second = Mark::OnPath;
            path.push_back({target, event});
        }
    }
    return cycles;
}

}  // namespace quillbarrow
