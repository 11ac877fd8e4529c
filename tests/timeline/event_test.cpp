#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"
#include "timeline/event.h"
#include "timeline/event_group.h"

namespace quillbarrow {

namespace {

JsonValue parse(const char* text) { return JsonValue::parse(text); }

Event from_bytes(const BinaryWriter& out, std::size_t* left = nullptr) {
    BinaryReader in(out.bytes().data(), out.size());
    Event event(in);
    if (left) *left = in.remaining();
    return event;
}

Event binary_round_trip(const Event& event) {
    BinaryWriter out;
    event.write(out);
    std::size_t left = 1;
    Event back = from_bytes(out, &left);
    EXPECT_EQ(left, 0u);
    return back;
}

Event json_round_trip(const Event& event) { return Event(JsonValue::parse(event.to_json(false).dump())); }

void expect_same_tracks(const Event& a, const Event& b) {
    ASSERT_EQ(a.tracks.size(), b.tracks.size());
    for (auto ia = a.tracks.begin(), ib = b.tracks.begin(); ia != a.tracks.end(); ++ia, ++ib) {
        EXPECT_EQ(ia->first, ib->first);
        EXPECT_EQ(ia->second.points(), ib->second.points()) << ia->first;
        EXPECT_EQ(ia->second.mode, ib->second.mode) << ia->first;
        EXPECT_EQ(ia->second.repeat, ib->second.repeat) << ia->first;
    }
}

void expect_same_event(const Event& a, const Event& b) {
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.visible, b.visible);
    EXPECT_EQ(a.start, b.start);
    EXPECT_EQ(a.end, b.end);
    expect_same_tracks(a, b);
}

// A sample of every kind of track content: values, texts, modes, repeat.
Event sample_event(EventType type) {
    Event event;
    event.type = type;
    event.name = "intro";
    event.visible = false;
    event.start = 4.25f;
    event.end = type == EventType::AudioSample ? 5.25f : 12.5f;
    event.track("zoom") = ControlTrack({{0, 1.5f, ""}, {2.5f, -3, ""}}, InterpolationMode::Smooth, true);
    event.track("caption") =
        ControlTrack({{0, 0, "Hello <BEAT>"}, {1, 0, "again"}}, InterpolationMode::LastValue, false);
    event.track("empty");
    return event;
}

// Stand-ins for targets whose classes live elsewhere; only their addresses
// are used.
alignas(16) unsigned char effect_slot[16];
alignas(16) unsigned char sample_slot[16];
Effect* const some_effect = reinterpret_cast<Effect*>(effect_slot);
AudioSample* const some_sample = reinterpret_cast<AudioSample*>(sample_slot);

TEST(EventJson, TypeDefaultsAndVisibleRule) {
    EXPECT_EQ(Event(parse(R"({"name": "e"})")).type, EventType::Effect);
    EXPECT_TRUE(Event(parse(R"({"name": "e"})")).visible);
    EXPECT_TRUE(Event(parse(R"({"visible": "true"})")).visible);
    EXPECT_FALSE(Event(parse(R"({"visible": "false"})")).visible);
    EXPECT_FALSE(Event(parse(R"({"visible": true})")).visible);
    EXPECT_FALSE(Event(parse(R"({"visible": 0})")).visible);
    // Written as a string, not as a boolean.
    EXPECT_EQ(sample_event(EventType::Effect).to_json(false)["visible"], JsonValue("false"));
}

TEST(EventJson, AudioSampleEventLastsOneBeat) {
    const Event event(parse(R"({"type": 2, "beat": 6.5, "end_beat": 40.0, "audio_sample": "kick"})"));
    EXPECT_EQ(event.start, 6.5f);
    EXPECT_EQ(event.end, 7.5f);
    EXPECT_EQ(event.reference_name, "kick");
    const Event back = binary_round_trip(event);
    EXPECT_EQ(back.start, 6.5f);
    EXPECT_EQ(back.end, 7.5f);
    JsonValue json = event.to_json(false);
    EXPECT_FALSE(json.has("end_beat"));
    EXPECT_EQ(json["beat"].as_float(), 6.5);
}

TEST(EventJson, TracksAndPoints) {
    const Event event(parse(R"({
        "start_beat": 1.0, "end_beat": 3.0,
        "control_points": {
            "b": {"control_points": [{"beat": 0.5, "value": 2.0}, {"beat": 1.0, "text": "hi", "value": 9.0}]},
            "a": {"mode": 2, "repeat": true}
        }})"));
    ASSERT_EQ(event.tracks.size(), 2u);
    const ControlTrack& b = event.tracks.at("b");
    EXPECT_EQ(b.mode, InterpolationMode::LastValue);  // no "mode": 0
    EXPECT_FALSE(b.repeat);
    const std::vector<ControlPoint> expected{{0.5f, 2, ""}, {1, 0, "hi"}};
    EXPECT_EQ(b.points(), expected);
    EXPECT_EQ(event.tracks.at("a").mode, InterpolationMode::Smooth);
    EXPECT_TRUE(event.tracks.at("a").repeat);
    EXPECT_TRUE(event.tracks.at("a").empty());

    // Text points are written with their text only.
    JsonValue json = event.to_json(false);
    const JsonValue& text_point = json["control_points"]["b"]["control_points"][1];
    EXPECT_TRUE(text_point.has("text"));
    EXPECT_FALSE(text_point.has("value"));
}

TEST(EventJson, UnknownTypeWritesOnlyTypeAndName) {
    Event event(parse(R"({"type": 7, "name": "odd", "start_beat": 2.0,
                          "control_points": {"x": {"control_points": [{"beat": 0.0, "value": 1.0}]}}})"));
    EXPECT_EQ(static_cast<int>(event.type), 7);
    EXPECT_EQ(event.tracks.size(), 1u);
    EXPECT_EQ(event.start, 0.0f);
    JsonValue json = event.to_json(false);
    EXPECT_EQ(json.size(), 2);
    EXPECT_EQ(json["type"].as_int(), 7);
    EXPECT_EQ(json["name"].as_string(), "odd");
}

TEST(EventJson, TypesThatDoNotFitTheirByteAreRefused) {
    for (const char* type : {"257", "-255", "256", "-1"}) {
        try {
            Event event(parse((std::string(R"({"name": "loud", "type": )") + type + "}").c_str()));
            FAIL() << type;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("Event \"loud\" has type " + std::string(type)), std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(static_cast<int>(Event(parse(R"({"type": 255})")).type), 255);
    EXPECT_EQ(static_cast<int>(Event(parse(R"({"type": 0})")).type), 0);
}

TEST(EventForms, EveryTypeRoundTrips) {
    for (EventType type : {EventType::Effect, EventType::AudioSample, EventType::Group}) {
        SCOPED_TRACE(static_cast<int>(type));
        const Event event = sample_event(type);
        expect_same_event(event, json_round_trip(event));
        expect_same_event(event, binary_round_trip(event));
    }
    // Unknown types carry their tracks in the binary form, but no name.
    Event odd = sample_event(static_cast<EventType>(9));
    const Event back = binary_round_trip(odd);
    EXPECT_EQ(static_cast<int>(back.type), 9);
    expect_same_tracks(odd, back);
    EXPECT_EQ(back.name, "");
}

TEST(EventBinary, TextPointsReadBackWithValueZero) {
    BinaryWriter out;
    out.write_u8(1);
    out.write_count(1);
    out.write_string("caption");
    out.write_i32(0);
    out.write_bool(false);
    out.write_count(2);
    out.write_f32(0);
    out.write_f32(7);
    out.write_string("shown");
    out.write_f32(1);
    out.write_f32(7);
    out.write_string("");
    out.write_bool(true);
    out.write_key(0);
    out.write_f32(0);
    out.write_f32(4);
    out.write_string("e");
    const Event event = from_bytes(out);
    const auto& points = event.tracks.at("caption").points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].value, 0.0f);
    EXPECT_EQ(points[1].value, 7.0f);
    EXPECT_EQ(event.name, "e");
    EXPECT_EQ(event.end, 4.0f);
}

TEST(EventBinary, TracksAreWrittenInByteOrder) {
    // Tracks stored out of order, one name with a byte above 0x7f.
    const std::vector<std::string> stored{"b", "\xC3\xA9t", "ab", "A", "a"};
    BinaryWriter out;
    out.write_u8(1);
    out.write_count(stored.size());
    for (const std::string& name : stored) {
        out.write_string(name);
        out.write_i32(1);
        out.write_bool(false);
        out.write_count(0);
    }
    out.write_bool(true);
    out.write_key(0);
    out.write_f32(0);
    out.write_f32(1);
    out.write_string("e");
    const Event event = from_bytes(out);

    BinaryWriter rewritten;
    event.write(rewritten);
    BinaryReader in(rewritten.bytes().data(), rewritten.size());
    in.read_u8("type");
    ASSERT_EQ(in.read_u64("count"), stored.size());
    std::vector<std::string> written;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        written.push_back(in.read_string("name"));
        in.read_i32("mode");
        in.read_bool("repeat");
        in.read_u64("points");
    }
    EXPECT_EQ(written, (std::vector<std::string>{"A", "a", "ab", "b", "\xC3\xA9t"}));
}

TEST(EventBinary, TruncatedInputStopsWithAFormatError) {
    BinaryWriter out;
    sample_event(EventType::Effect).write(out);
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, out.size() / 2, out.size() - 1}) {
        BinaryReader in(out.bytes().data(), cut);
        EXPECT_THROW(Event{in}, FormatError) << cut;
    }
}

TEST(EventReferences, ByNameAfterJson) {
    Event effect_event(parse(R"({"type": 1, "effect": "tunnel"})"));
    Event sample_event_(parse(R"({"type": 2, "audio_sample": "kick"})"));
    Event group_event(parse(R"({"type": 3, "group": "chorus"})"));
    Event dangling(parse(R"({"type": 1, "effect": "missing"})"));
    EventGroup chorus;
    chorus.name = "chorus";
    const NameMap<Effect> effects{{"tunnel", some_effect}, {"kick", some_effect}};
    const NameMap<AudioSample> samples{{"kick", some_sample}};
    const NameMap<EventGroup> groups{{"chorus", &chorus}};
    for (Event* e : {&effect_event, &sample_event_, &group_event, &dangling}) e->link_by_name(effects, samples, groups);

    EXPECT_EQ(effect_event.effect, some_effect);
    EXPECT_EQ(sample_event_.audio_sample, some_sample);
    EXPECT_EQ(sample_event_.effect, nullptr);
    EXPECT_EQ(group_event.group, &chorus);
    EXPECT_EQ(dangling.effect, nullptr);
    // The unmatched name survives a JSON write; the binary form writes key 0.
    EXPECT_EQ(dangling.to_json(false)["effect"].as_string(), "missing");
    const std::unordered_map<const void*, std::uint64_t> keys{{some_effect, 41}};
    BinaryWriter out;
    out.set_key_table(&keys);
    effect_event.write(out);
    dangling.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    EXPECT_EQ(Event(in).reference_key, 41u);
    EXPECT_EQ(Event(in).reference_key, 0u);
}

TEST(EventReferences, ByKeyAfterBinary) {
    Event effect_event = sample_event(EventType::Effect);
    Event group_event = sample_event(EventType::Group);
    EventGroup chorus;
    effect_event.effect = some_effect;
    group_event.group = &chorus;
    const std::unordered_map<const void*, std::uint64_t> keys{{some_effect, 7}, {&chorus, 8}};
    BinaryWriter out;
    out.set_key_table(&keys);
    effect_event.write(out);
    group_event.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    Event effect_back(in);
    Event group_back(in);
    EXPECT_EQ(effect_back.reference_key, 7u);
    EXPECT_EQ(group_back.reference_key, 8u);
    EXPECT_EQ(effect_back.effect, nullptr);

    auto find_effect = [](std::uint64_t key) { return key == 7 ? some_effect : nullptr; };
    auto find_sample = [](std::uint64_t key) { return key == 7 ? some_sample : nullptr; };
    auto find_group = [&](std::uint64_t key) { return key == 8 ? &chorus : nullptr; };
    effect_back.resolve_reference(find_effect, find_sample, find_group);
    group_back.resolve_reference(find_effect, find_sample, find_group);
    EXPECT_EQ(effect_back.effect, some_effect);
    EXPECT_EQ(effect_back.audio_sample, nullptr);
    EXPECT_EQ(group_back.group, &chorus);
    EXPECT_EQ(group_back.effect, nullptr);
}

}  // namespace

}  // namespace quillbarrow
