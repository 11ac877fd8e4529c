#include <gtest/gtest.h>

#include "timeline/event.h"
#include "timeline/event_group.h"
#include "timeline/group_cycles.h"

namespace quillbarrow {

namespace {

// Groups and group events wired by hand: replay(g) makes an event that
// replays g, member(g, e) adds e to g.
struct Timeline {
    std::vector<std::unique_ptr<EventGroup>> groups;
    std::vector<std::unique_ptr<Event>> events;

    EventGroup* group(const std::string& name) {
        groups.push_back(std::make_unique<EventGroup>());
        groups.back()->name = name;
        return groups.back().get();
    }
    Event* replay(const std::string& name, EventGroup* target) {
        events.push_back(std::make_unique<Event>());
        events.back()->name = name;
        events.back()->type = EventType::Group;
        events.back()->group = target;
        return events.back().get();
    }
    static void member(EventGroup* g, Event* e) {
        g->events.push_back(e);
        g->member_names.push_back(e ? e->name : "");
    }
};

}  // namespace

TEST(GroupCycles, AGroupThatReplaysItselfDirectlyOrThroughAnother) {
    Timeline t;
    EventGroup* g = t.group("g");
    Timeline::member(g, t.replay("again", g));
    auto cycles = find_group_cycles(t.groups);
    ASSERT_EQ(cycles.size(), 1u);
    EXPECT_EQ(cycles[0].group, g);
    EXPECT_EQ(cycles[0].member, 0u);
    EXPECT_EQ(cycles[0].path, "\"g\" -> \"again\" -> \"g\"");

    Timeline u;
    EventGroup* g1 = u.group("g1");
    EventGroup* g2 = u.group("g2");
    Timeline::member(g1, u.replay("e2", g2));
    Timeline::member(g2, u.replay("e1", g1));
    cycles = find_group_cycles(u.groups);
    ASSERT_EQ(cycles.size(), 1u);
    EXPECT_EQ(cycles[0].group, g2);
    EXPECT_EQ(cycles[0].path, "\"g1\" -> \"e2\" -> \"g2\" -> \"e1\" -> \"g1\"");
    // Cutting that member leaves nothing to find.
    g2->events[cycles[0].member] = nullptr;
    EXPECT_TRUE(find_group_cycles(u.groups).empty());
}

TEST(GroupCycles, SharedAndChainedGroupsAreNoCycle) {
    Timeline t;
    EventGroup* top = t.group("top");
    EventGroup* shared = t.group("shared");
    EventGroup* leaf = t.group("leaf");
    Timeline::member(top, t.replay("a", shared));
    Timeline::member(top, t.replay("b", shared));  // reached twice: a diamond, not a cycle
    Timeline::member(top, nullptr);                // an unresolved member
    Timeline::member(shared, t.replay("c", leaf));
    EXPECT_TRUE(find_group_cycles(t.groups).empty());

    // A long chain is walked without recursion.
    Timeline chain;
    EventGroup* previous = chain.group("0");
    for (int i = 1; i < 100000; ++i) {
        EventGroup* next = chain.group(std::to_string(i));
        Timeline::member(previous, chain.replay("to" + std::to_string(i), next));
        previous = next;
    }
    EXPECT_TRUE(find_group_cycles(chain.groups).empty());
    Timeline::member(previous, chain.replay("back", chain.groups[0].get()));
    EXPECT_EQ(find_group_cycles(chain.groups).size(), 1u);
}

}  // namespace quillbarrow
