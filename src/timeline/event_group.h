#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "serialization/object_key.h"
#include "serialization/serializable.h"

namespace quillbarrow {

class Event;

// A named, ordered set of the document's events that a group event replays
// as one block. Members are references; the same event may appear several
// times and in several groups.
//
// `events`, `member_names` and `member_keys` run in parallel. A member whose
// name or key matched no event stays in the list as a null pointer, keeps
// the name it was given (so writing JSON back loses nothing) and is skipped
// when the group plays.
class EventGroup : public ISerializable {
public:
    EventGroup() = default;
    explicit EventGroup(const JsonValue& value) { from_json(value); }
    explicit EventGroup(BinaryReader& in) { read(in); }

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    // Takes the name and remembers the member names; link_by_name turns them
    // into events once the document has read all of its events.
    void from_json(const JsonValue& value) override;
    // Takes the name and the member keys; resolve_reference turns them into
    // events once the document has read all of its lists.
    void read(BinaryReader& in) override;

    void link_by_name(const NameMap<Event>& events_by_name);
    void resolve_reference(const ObjectMap& objects);

    std::string name;
    std::vector<Event*> events;
    std::vector<std::string> member_names;
    std::vector<std::uint64_t> member_keys;
};

}  // namespace quillbarrow
