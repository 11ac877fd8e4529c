#include <gtest/gtest.h>

#include "document/demo.h"
#include "project/project_file.h"
#include "document/loading_progress.h"
#include "player/player_state.h"
#include "resource_test_helpers.h"
#include "support/gl_test_context.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

class DemoTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        std::string error;
        ASSERT_TRUE(ensure_test_mixer(&error)) << error;
        ASSERT_TRUE(ensure_test_ttf(&error)) << error;
        set_loading_listener(
            {[this](std::uint64_t read, std::uint64_t total) { progress.emplace_back(read, total); }, nullptr});
    }
    void TearDown() override { set_loading_listener({}); }

    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
};

JsonValue empty_project() {
    JsonValue v = JsonValue::object();
    v["music"] = "";
    v["end_beat"] = 2.0;
    v["bpm"] = 130.0;
    v["beat_offset"] = 0.5;
    return v;
}

JsonValue effect_event(const std::string& name, double start, double end) {
    JsonValue e = JsonValue::object();
    e["type"] = 1;
    e["name"] = name;
    e["effect"] = "fx";
    e["start_beat"] = start;
    e["end_beat"] = end;
    return e;
}

// Two events, two groups and one data record: five records with references
// across lists.
JsonValue small_project() {
    JsonValue v = empty_project();
    v["music"] = base64_encode("not really music");
    v["events"][0] = effect_event("a", 0.0, 4.0);
    v["events"][1] = effect_event("b", 4.0, 8.0);
    v["event_groups"][0]["name"] = "both";
    v["event_groups"][0]["events"][0] = "a";
    v["event_groups"][0]["events"][1] = "b";
    v["event_groups"][1]["name"] = "twice";
    v["event_groups"][1]["events"][0] = "b";
    v["event_groups"][1]["events"][1] = "b";
    v["datas"][0]["name"] = "notes.txt";
    v["datas"][0]["data_buffer"] = base64_encode("hello");
    return v;
}

std::vector<std::uint8_t> payload(const Demo& demo) {
    BinaryWriter out;
    demo.write(out);
    return out.take();
}

}  // namespace

TEST_F(DemoTest, EmptyDocumentReportsOnce) {
    Demo demo(empty_project());
    EXPECT_EQ(demo.record_count, 0u);
    EXPECT_EQ(progress, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0, 0}}));
    ASSERT_NE(demo.audio_texture, nullptr);
    EXPECT_EQ(demo.audio_texture->width, 1024);
    EXPECT_EQ(demo.audio_texture->height, 2);

    progress.clear();
    auto bytes = payload(demo);
    BinaryReader in(bytes.data(), bytes.size());
    Demo back(in);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(progress, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0, 0}}));
    EXPECT_EQ(back.end_beat, 2.0f);
    EXPECT_EQ(back.bpm, 130.0f);
    EXPECT_EQ(back.beat_offset, 0.5f);
    EXPECT_EQ(back.music->len, 0u);
}

TEST_F(DemoTest, ProgressCountsEveryRecordOfBothForms) {
    Demo demo(small_project());
    const std::vector<std::pair<std::uint64_t, std::uint64_t>> expected = {{0, 5}, {1, 5}, {2, 5},
                                                                           {3, 5}, {4, 5}, {5, 5}};
    EXPECT_EQ(progress, expected);
    progress.clear();
    auto bytes = payload(demo);
    BinaryReader in(bytes.data(), bytes.size());
    Demo back(in);
    EXPECT_EQ(progress, expected);
}

TEST_F(DemoTest, ReferencesSurviveTheBinaryForm) {
    Demo demo(small_project());
    auto bytes = payload(demo);
    BinaryReader in(bytes.data(), bytes.size());
    Demo back(in);
    ASSERT_EQ(back.event_groups.size(), 2u);
    EXPECT_EQ(back.event_groups[0]->events, (std::vector<Event*>{back.events[0].get(), back.events[1].get()}));
    EXPECT_EQ(back.event_groups[1]->events, (std::vector<Event*>{back.events[1].get(), back.events[1].get()}));
    EXPECT_EQ(back.events[0]->effect, nullptr);  // "fx" names no effect: kept, skipped when played
    EXPECT_EQ(back.datas[0]->buffer->view(), "hello");
    EXPECT_EQ(back.music->view(), "not really music");
    // Packing twice gives the same bytes: keys are sequential, not addresses.
    EXPECT_EQ(payload(back), bytes);
}

TEST_F(DemoTest, JsonToBinaryToJsonKeepsTheDocument) {
    JsonValue source = small_project();
    Demo demo(source);
    JsonValue first = demo.to_json(false);
    auto bytes = payload(demo);
    BinaryReader in(bytes.data(), bytes.size());
    Demo back(in);
    JsonValue second = back.to_json(false);
    // The unresolved effect name is lost by the binary form (key 0); the
    // rest is kept exactly.
    for (auto* json : {&first, &second})
        for (std::size_t i = 0; i < 2; ++i) (*json)["events"][i]["effect"] = "";
    EXPECT_EQ(first, second);
    EXPECT_EQ(second["event_groups"][1]["events"].size(), 2);
    EXPECT_EQ(second["bpm"].as_float(), 130.0);
}

TEST_F(DemoTest, MissingKeysReadAsZeroAndEmpty) {
    JsonValue v = JsonValue::object();
    v["music"] = "";
    v["end_beat"] = 100;  // an integer-kind number reads as 0.0
    Demo demo(v);
    EXPECT_EQ(demo.bpm, 0.0f);
    EXPECT_EQ(demo.end_beat, 0.0f);
    EXPECT_EQ(demo.beat_offset, 0.0f);
    EXPECT_EQ(demo.record_count, 0u);
    for (const char* list : {"events", "effects", "shaders", "textures", "audio_samples", "event_groups", "fonts",
                             "font_textures", "datas", "models", "scenes"})
        EXPECT_FALSE(v.has(list)) << list;  // the presence test inserts nothing
    EXPECT_TRUE(v.has("bpm"));              // the float reads do
}

TEST_F(DemoTest, ExportWritesTheMusicFileEvenWhenEmpty) {
    ScratchDirectory dir("demo_export");
    Demo demo(empty_project());
    {
        WorkingDirectory in_dir(dir.path().string());
        JsonValue exported = demo.to_json(true);
        EXPECT_FALSE(exported.has("music"));
    }
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "resources/music.mp3"));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "resources/music.mp3"), 0u);
}

TEST_F(DemoTest, MusicComesFromItsFileWithoutTheKey) {
    ScratchDirectory dir("demo_music");
    std::filesystem::create_directories(dir.path() / "resources");
    put_file(dir.path() / "resources/music.mp3", "ID3 bytes");
    JsonValue v = empty_project();
    v = JsonValue::object();
    v["bpm"] = 120.0;
    WorkingDirectory in_dir(dir.path().string());
    Demo demo(v);
    EXPECT_EQ(demo.music->view(), "ID3 bytes");

    std::filesystem::remove(dir.path() / "resources/music.mp3");
    FatalErrorsThrow fatal;
    try {
        Demo missing(v);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "File not found: resources/music.mp3");
    }
}

// A model, three scenes (one with the model and a camera, one borrowing
// that camera by name, one naming nothing) and an effect drawing the first.
JsonValue project_with_scenes() {
    JsonValue v = empty_project();
    v["events"][0] = effect_event("a", 0.0, 4.0);
    v["events"][1] = effect_event("b", 4.0, 8.0);
    v["models"][0]["filename"] = "Box.gltf";
    v["models"][0]["buffer"] = base64_encode(file_bytes(test_data_path("gltf/Box.gltf")));
    v["scenes"][0]["name"] = "stage";
    v["scenes"][0]["camera"]["fov"] = 60.0;
    v["scenes"][0]["root_node"]["name"] = "root";
    v["scenes"][0]["root_node"]["model"] = "Box.gltf";
    v["scenes"][1]["name"] = "borrower";
    v["scenes"][1]["camera_scene"] = "stage";
    v["scenes"][2]["name"] = "dangling";
    v["scenes"][2]["camera_scene"] = "nowhere";
    v["scenes"][2]["root_node"]["name"] = "lost";
    v["scenes"][2]["root_node"]["model"] = "missing.glb";
    v["effects"][0]["name"] = "fx";
    v["effects"][0]["scene"] = "stage";
    return v;
}

void expect_scene_links(const Demo& demo) {
    ASSERT_EQ(demo.models.size(), 1u);
    ASSERT_EQ(demo.scenes.size(), 3u);
    const Scene& stage = *demo.scenes[0];
    ASSERT_TRUE(stage.root_node);
    EXPECT_EQ(stage.root_node->model, demo.models[0].get());
    ASSERT_TRUE(stage.camera);
    EXPECT_FLOAT_EQ(stage.camera->fov, 60.0f);
    EXPECT_EQ(demo.scenes[1]->camera_scene, &stage);
    EXPECT_EQ(demo.scenes[1]->steered_camera(), stage.camera.get());
    EXPECT_EQ(demo.scenes[2]->camera_scene, nullptr);
    EXPECT_EQ(demo.scenes[2]->root_node->model, nullptr);
    EXPECT_EQ(demo.effects[0]->scene, &stage);
    EXPECT_EQ(demo.models[0]->vertex_arrays.size(), 1u);
}

TEST_F(DemoTest, ModelsAndScenesLinkByNameAndSurviveTheBinaryForm) {
    Demo demo(project_with_scenes());
    expect_scene_links(demo);
    // Two events, one model, three scenes and an effect: seven records,
    // reported one by one.
    ASSERT_EQ(progress.size(), 8u);
    for (std::uint64_t i = 0; i <= 7; ++i) EXPECT_EQ(progress[i], std::make_pair(i, std::uint64_t{7}));

    progress.clear();
    auto bytes = payload(demo);
    BinaryReader in(bytes.data(), bytes.size());
    Demo back(in);
    EXPECT_EQ(in.remaining(), 0u);
    expect_scene_links(back);
    // The text asset comes back as the GLB rendering of it.
    EXPECT_EQ(back.models[0]->filename, "Box.gltf.glb");
    EXPECT_EQ(back.to_json(false)["scenes"][0]["root_node"]["model"].as_string(), "Box.gltf.glb");
    EXPECT_EQ(back.to_json(false)["effects"][0]["scene"].as_string(), "stage");
    // From then on the model is stored as it was read: packing is stable.
    auto again = payload(back);
    BinaryReader in_again(again.data(), again.size());
    EXPECT_EQ(payload(Demo(in_again)), again);
}

TEST_F(DemoTest, TwoEventsAndThreeScenesReportSixSteps) {
    JsonValue v = empty_project();
    v["events"][0] = effect_event("a", 0.0, 4.0);
    v["events"][1] = effect_event("b", 4.0, 8.0);
    for (int i = 0; i < 3; ++i) v["scenes"][i]["name"] = "s" + std::to_string(i);
    Demo demo(v);
    ASSERT_EQ(progress.size(), 6u);
    for (std::uint64_t i = 0; i <= 5; ++i) EXPECT_EQ(progress[i], std::make_pair(i, std::uint64_t{5}));
}

JsonValue group_event(const std::string& name, const std::string& group) {
    JsonValue e = effect_event(name, 0.0, 8.0);
    e["type"] = 3;
    e["group"] = group;
    return e;
}

TEST_F(DemoTest, GroupsThatReplayThemselvesAreRefusedInProjectsAndCutInPayloads) {
    JsonValue v = empty_project();
    v["events"][0] = group_event("e1", "g1");
    v["events"][1] = group_event("e2", "g2");
    v["event_groups"][0]["name"] = "g1";
    v["event_groups"][0]["events"][0] = "e2";
    v["event_groups"][1]["name"] = "g2";
    v["event_groups"][1]["events"][0] = "e1";
    try {
        Demo refused(v);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Event group \"g2\" replays itself: \"g1\" -> \"e2\" -> \"g2\" -> \"e1\" -> \"g1\"");
    }

    // The same cycle in a payload: made by linking one by hand.
    v["event_groups"][1]["events"][0] = "not yet";
    Demo demo(v);
    demo.event_groups[1]->events[0] = demo.events[0].get();
    auto bytes = payload(demo);
    BinaryReader in(bytes.data(), bytes.size());
    testing::internal::CaptureStdout();
    Demo played(in);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("Event group \"g2\" replays itself"), std::string::npos) << said;
    EXPECT_EQ(played.event_groups[1]->events[0], nullptr);
    EXPECT_EQ(played.event_groups[0]->events[0], played.events[1].get());
    played.evaluate_frame(1.0f);  // plays without recursing for ever
    EXPECT_EQ(played.to_json(false)["event_groups"][1]["events"][0].as_string(), "e1");
}

TEST_F(DemoTest, CorruptPayloadsEndWithAnErrorNeverACrash) {
    Demo demo(small_project());
    auto bytes = payload(demo);
    // Every truncation is refused.
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        BinaryReader in(bytes.data(), cut);
        EXPECT_ANY_THROW(Demo{in}) << "cut at " << cut;
    }
    // Every 8-byte field overwritten with a huge count is refused or read
    // harmlessly, without a huge allocation.
    for (std::size_t at = 0; at + 8 <= bytes.size(); ++at) {
        auto broken = bytes;
        for (int i = 0; i < 8; ++i) broken[at + i] = 0xFF;
        broken[at + 7] = 0x0F;
        BinaryReader in(broken.data(), broken.size());
        try {
            Demo d(in);
        } catch (const std::exception&) {}
    }
}

}  // namespace quillbarrow
