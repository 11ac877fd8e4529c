#include <gtest/gtest.h>

#include <unordered_map>

#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"
#include "timeline/event.h"
#include "timeline/event_group.h"

namespace quillbarrow {

namespace {

Event named(const char* name) {
    Event event;
    event.name = name;
    return event;
}

TEST(EventGroupForms, EmptyMemberList) {
    EventGroup group(JsonValue::parse(R"({"name": "quiet", "events": []})"));
    group.link_by_name({});
    EXPECT_EQ(group.name, "quiet");
    EXPECT_TRUE(group.events.empty());
    JsonValue json = group.to_json(false);
    EXPECT_EQ(json["events"].size(), 0);
}

TEST(EventGroupForms, MembersKeepOrderDuplicatesAndUnmatchedNames) {
    Event a = named("a"), b = named("b");
    const NameMap<Event> by_name{{"a", &a}, {"b", &b}};
    EventGroup group(JsonValue::parse(R"({"name": "g", "events": ["b", "ghost", "a", "b"]})"));
    group.link_by_name(by_name);
    EXPECT_EQ(group.events, (std::vector<Event*>{&b, nullptr, &a, &b}));

    // JSON keeps the unmatched name in its place.
    const JsonValue json = JsonValue::parse(group.to_json(false).dump());
    EventGroup again(json);
    EXPECT_EQ(again.member_names, (std::vector<std::string>{"b", "ghost", "a", "b"}));

    // Binary: keys in member order, 0 for the unmatched member.
    const std::unordered_map<const void*, std::uint64_t> keys{{&a, 100}, {&b, 200}};
    BinaryWriter out;
    out.set_key_table(&keys);
    group.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    EventGroup back(in);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(back.name, "g");
    EXPECT_EQ(back.member_keys, (std::vector<std::uint64_t>{200, 0, 100, 200}));

    const ObjectMap objects{{100, &a}, {200, &b}, {300, &group}};
    back.resolve_reference(objects);
    EXPECT_EQ(back.events, (std::vector<Event*>{&b, nullptr, &a, &b}));
    EXPECT_EQ(back.member_names[0], "b");
}

TEST(EventGroupForms, KeyOfAnotherKindResolvesToNoEvent) {
    EventGroup other;
    Event a = named("a");
    BinaryWriter out;
    out.write_string("g");
    out.write_count(2);
    out.write_key(5);
    out.write_key(6);
    BinaryReader in(out.bytes().data(), out.size());
    EventGroup group(in);
    group.resolve_reference(ObjectMap{{5, &other}, {6, &a}});
    EXPECT_EQ(group.events, (std::vector<Event*>{nullptr, &a}));
}

TEST(EventGroupForms, CountBeyondThePayloadIsRefused) {
    BinaryWriter out;
    out.write_string("g");
    out.write_count(1000000);
    out.write_key(5);
    BinaryReader in(out.bytes().data(), out.size());
    EXPECT_THROW(EventGroup{in}, FormatError);
}

}  // namespace

}  // namespace quillbarrow
