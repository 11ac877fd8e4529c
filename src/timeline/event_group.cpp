#include "timeline/event_group.h"

#include "timeline/event.h"

namespace quillbarrow {

namespace {

constexpr std::size_t kStoredKeyBytes = 8;

}  // namespace

JsonValue EventGroup::to_json(bool /*export_resources*/) const {
    JsonValue json = JsonValue::object();
    json["name"] = JsonValue(name);
    JsonValue list = JsonValue::array();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event* member = events[i];
        list.push_back(JsonValue(member ? member->name : (i < member_names.size() ? member_names[i] : std::string())));
    }
    json["events"] = std::move(list);
    return json;
}

void EventGroup::write(BinaryWriter& out) const {
    out.write_string(name);
    out.write_count(events.size());
    for (const Event* member : events) out.write_reference(member);
}

void EventGroup::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    member_names.clear();
    member_keys.clear();
    for (const JsonValue& element : value["events"].elements()) member_names.push_back(element.as_string());
    events.assign(member_names.size(), nullptr);
    member_keys.assign(member_names.size(), 0);
}

void EventGroup::read(BinaryReader& in) {
    name = in.read_string("event group name");
    const std::uint64_t count = in.read_count("event group member count", kStoredKeyBytes);
    member_keys.clear();
    member_keys.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) member_keys.push_back(in.read_key("event group member"));
    events.assign(member_keys.size(), nullptr);
    member_names.assign(member_keys.size(), std::string());
}

void EventGroup::link_by_name(const NameMap<Event>& events_by_name) {
    events.resize(member_names.size());
    for (std::size_t i = 0; i < member_names.size(); ++i) events[i] = resolve_name(events_by_name, member_names[i]);
}

void EventGroup::resolve_reference(const ObjectMap& objects) {
    events.resize(member_keys.size());
    member_names.resize(member_keys.size());
    for (std::size_t i = 0; i < member_keys.size(); ++i) {
        events[i] = resolve_key<Event>(objects, member_keys[i]);
        if (events[i]) member_names[i] = events[i]->name;
    }
}

}  // namespace quillbarrow
