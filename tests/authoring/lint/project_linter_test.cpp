// The project linter's findings: one small project per kind of mistake,
// with the exact text, key path and line editors jump to.

#include <algorithm>

#include <gtest/gtest.h>

#include "document/demo.h"
#include "lint/key_kinds.h"
#include "lint/key_positions.h"
#include "lint/project_linter.h"
#include "lint/shader_checks.h"
#include "lint/shader_sources.h"
#include "timeline/scene_tracks.h"
#include "document/resource_test_helpers.h"

namespace quillbarrow {

namespace {

class CheckTest : public ::testing::Test {
protected:
    // Findings as "LINE: severity: message (path)", the file name left out.
    std::vector<std::string> lint(const std::string& text) {
        put_file(dir.path() / "project.json", text);
        const std::string project = dir.file("project.json");
        std::vector<std::string> out;
        const Findings findings = lint_project(project, {false, false});
        for (const Finding& finding : findings.list()) {
            std::string line = format_text(finding);
            EXPECT_EQ(line.compare(0, project.size() + 1, project + ":"), 0) << line;
            out.push_back(line.substr(project.size() + 1));
        }
        return out;
    }
    void put(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        put_file(dir.path() / name, bytes);
    }

    ScratchDirectory dir{"check"};
};

using Lines = std::vector<std::string>;

TEST_F(CheckTest, SyntaxErrorNamesLineAndColumn) {
    const Lines found = lint("{\n  \"bpm\": 120.0,\n  \"end_beat\" 60.0\n}\n");
    ASSERT_EQ(found.size(), 1u);
    // The reader points at the last character of the token it did not expect.
    EXPECT_EQ(found[0].substr(0, 12), "3:17: error:") << found[0];
    EXPECT_NE(found[0].find("syntax error"), std::string::npos) << found[0];
}

TEST_F(CheckTest, NumbersOfTheWrongKindAreErrors) {
    EXPECT_EQ(lint(R"({"music": "",
  "bpm": 120,
  "font_textures": [{"name": "t", "font": "f", "width": 64.5, "height": 32, "center": "yes"}],
  "fonts": [{"name": "f", "filename": "f.ttf", "font_buffer": ""}],
  "events": [{"name": "e", "type": 2, "audio_sample": "s", "beat": 1.0,
              "visible": true}],
  "audio_samples": [{"name": "s", "audio_buffer": ""}]
})"),
              (Lines{"2: error: the integer 120 where a float is read: it reads as 0.0; write 120.0 (bpm)",
                     "6: error: the boolean true where the string \"true\" or \"false\" is read: it reads as not "
                     "visible (events[0].visible)",
                     "3: error: a string where a boolean is read: it reads as false (font_textures[0].center)",
                     "3: error: the float 64.5 where an integer is read: it reads as 0 (font_textures[0].width)"}));
}

TEST_F(CheckTest, UnknownKeysAreWarningsWithTheLikelyKey) {
    EXPECT_EQ(lint(R"({"music": "",
  "textures": [{"nmae": "a.png", "image_buffer": ""}],
  "tempo": 1.0
})"),
              (Lines{"3: warning: unknown key \"tempo\" in the project (tempo)",
                     "2: warning: unknown key \"nmae\" in a texture; did you mean \"name\"? (textures[0].nmae)"}));
}

TEST_F(CheckTest, ReferencesThatNameNothingAreErrors) {
    EXPECT_EQ(lint(R"({"music": "",
  "events": [
    {"name": "a", "type": 1, "effect": "glwo", "start_beat": 0.0, "end_beat": 1.0},
    {"name": "b", "type": 2, "audio_sample": "boom", "beat": 0.0},
    {"name": "c", "type": 3, "group": "none", "start_beat": 0.0, "end_beat": 1.0}],
  "event_groups": [{"name": "g", "events": ["a", "z"]}],
  "effects": [{"name": "glow", "program": "p.frag", "textures": ["t"], "effects": ["x"],
               "font_textures": ["ft"], "scene": "s"}],
  "font_textures": [{"name": "ft2", "font": "missing"}],
  "scenes": [{"name": "s2", "camera_scene": "cam", "root_node": {"name": "n", "model": "m.glb"}}]
})"),
              (Lines{"3: error: no effect named \"glwo\" (events[0].effect)",
                     "4: error: no audio sample named \"boom\" (events[1].audio_sample)",
                     "5: error: no event group named \"none\" (events[2].group)",
                     "6: error: no event named \"z\" (event_groups[0].events[1])",
                     "7: error: no shader program named \"p.frag\" (effects[0].program)",
                     "7: error: no texture named \"t\" (effects[0].textures[0])",
                     "8: error: no font texture named \"ft\" (effects[0].font_textures[0])",
                     "7: error: no effect named \"x\" (effects[0].effects[0])",
                     "8: error: no scene named \"s\" (effects[0].scene)",
                     "9: error: no font named \"missing\" (font_textures[0].font)",
                     "10: error: no scene named \"cam\" (scenes[0].camera_scene)",
                     "10: error: no model named \"m.glb\" (scenes[0].root_node.model)"}));
}

TEST_F(CheckTest, MissingResourceFilesAreErrorsAndPresentOnesAreNot) {
    put("resources/music.mp3", "");
    put("resources/here.png", "png");
    EXPECT_EQ(lint(R"({
  "textures": [{"name": "resources/here.png"},
               {"name": "resources/gone.png"}],
  "fonts": [{"name": "f", "filename": "fonts/gone.ttf"}],
  "models": [{"filename": "embedded.glb", "buffer": ""}]
})"),
              (Lines{"3: error: missing file \"resources/gone.png\" (textures[1].name)",
                     "4: error: missing file \"fonts/gone.ttf\" (fonts[0].filename)"}));
    std::filesystem::remove(dir.path() / "resources/music.mp3");
    EXPECT_EQ(lint("{}"), (Lines{"1: error: missing file \"resources/music.mp3\" (the music, when the project "
                                 "embeds none)"}));
}

TEST_F(CheckTest, GroupsThatContainThemselvesAreErrors) {
    EXPECT_EQ(lint(R"({"music": "",
  "event_groups": [
    {"name": "outer", "events": ["play_inner"]},
    {"name": "inner", "events": ["play_outer"]},
    {"name": "fine", "events": ["play_inner2"]}],
  "events": [
    {"name": "play_inner", "type": 3, "group": "inner", "start_beat": 0.0, "end_beat": 1.0},
    {"name": "play_outer", "type": 3, "group": "outer", "start_beat": 0.0, "end_beat": 1.0},
    {"name": "play_inner2", "type": 3, "group": "inner", "start_beat": 0.0, "end_beat": 1.0}]
})"),
              (Lines{"3: error: group \"outer\" contains itself: outer -> inner -> outer (event_groups[0].events)",
                     "4: error: group \"inner\" contains itself: inner -> outer -> inner (event_groups[1].events)"}));
}

TEST_F(CheckTest, EventsOutsideTheProductionAndDuplicatesAreWarnings) {
    EXPECT_EQ(lint(R"({"music": "", "end_beat": 60.0,
  "effects": [{"name": "fx", "program": "a.frag"}, {"name": "fx", "program": "a.frag"}],
  "shaders": [{"fragment_shader_filename": "a.frag", "fragment_shader_source": "", "vertex_shader_source": ""}],
  "events": [
    {"name": "late", "effect": "fx", "start_beat": 61.0, "end_beat": 62.0},
    {"name": "backwards", "effect": "fx", "start_beat": 8.0,
     "end_beat": 4.0},
    {"name": "ok", "effect": "fx", "start_beat": 0.0, "end_beat": 60.0}]
})"),
              (Lines{"5: warning: event \"late\" starts at beat 61, after the end beat 60: it never plays "
                     "(events[0].start_beat)",
                     "7: warning: event \"backwards\" ends at beat 4, before it starts at beat 8: it never plays "
                     "(events[1].end_beat)",
                     "2: warning: duplicate name \"fx\" (also effects[0]); references find this one "
                     "(effects[1].name)"}));
}

TEST_F(CheckTest, TracksAndUniformDefinitionsThatDriveNothingAreWarnings) {
    EXPECT_EQ(lint(R"({"music": "",
  "shaders": [{"fragment_shader_filename": "a.frag", "vertex_shader_source": "",
               "fragment_shader_source": "uniform float pulse; // uniform float gone;\nuniform vec2 a, b[2];",
               "uniform_defs": [{"name": "pulse"}, {"name": "b"},
                                {"name": "gone"}]}],
  "font_textures": [{"name": "title", "font": "f"}],
  "fonts": [{"name": "f", "filename": "f.ttf", "font_buffer": ""}],
  "scenes": [{"name": "s"}],
  "effects": [{"name": "fx", "program": "a.frag", "font_textures": ["title"], "scene": "s"}],
  "event_groups": [{"name": "g", "events": ["e"]}],
  "events": [
    {"name": "e", "effect": "fx", "start_beat": 0.0, "end_beat": 1.0, "control_points": {
      "pulse": {}, "title": {}, "ldX": {}, "pulsee": {}}},
    {"name": "play", "type": 3, "group": "g", "start_beat": 0.0, "end_beat": 1.0, "control_points": {
      "e.pulse": {}, "other.pulse": {}}}]
})"),
              (Lines{"5: warning: uniform \"gone\" is not declared by \"a.frag\" (shaders[0].uniform_defs[2].name)",
                     "13: warning: track \"pulsee\" drives nothing: effect \"fx\" has no uniform, font texture or "
                     "scene track of that name (events[0].control_points.pulsee)",
                     "15: warning: track \"other.pulse\" drives nothing: a group event's tracks are named "
                     "\"member.track\" after an event of its group (events[1].control_points.other.pulse)"}));
}

TEST_F(CheckTest, EveryReservedSceneTrackOfTheReaderDrivesASceneEffect) {
    std::string tracks;
    for (const char* name : kSceneTrackNames) tracks += std::string("\"") + name + "\": {}, ";
    const Lines found = lint(R"({"music": "",
  "shaders": [{"fragment_shader_filename": "a.frag", "vertex_shader_source": "", "fragment_shader_source": ""}],
  "scenes": [{"name": "s"}],
  "effects": [{"name": "fx", "program": "a.frag", "scene": "s"}],
  "events": [{"name": "e", "effect": "fx", "start_beat": 0.0, "end_beat": 1.0, "control_points": {)" +
                             tracks + R"("camera_position_w": {}}}]
})");
    EXPECT_EQ(found,
              (Lines{"5: warning: track \"camera_position_w\" drives nothing: effect \"fx\" has no uniform, font "
                     "texture or scene track of that name (events[0].control_points.camera_position_w)"}));
}

TEST(CheckKeys, TheLinterKnowsEveryDocumentKeyTheReaderReadsAndNoOther) {
    for (const char* key : kDocumentListKeys) {
        const KeyRule* rule = find_key(RecordKind::Document, key);
        ASSERT_NE(rule, nullptr) << key;
        EXPECT_EQ(rule->kind, ValueKind::RecordList) << key;
    }
    for (const char* key : kDocumentValueKeys) EXPECT_NE(find_key(RecordKind::Document, key), nullptr) << key;
    for (const KeyRule& rule : keys_of(RecordKind::Document)) {
        const std::string key = rule.key;
        const auto read = [&](const auto& table) {
            return std::any_of(table.begin(), table.end(), [&](const char* name) { return key == name; });
        };
        EXPECT_TRUE(key == "$schema" || read(kDocumentListKeys) || read(kDocumentValueKeys)) << key;
    }
}

TEST_F(CheckTest, AnyJsonEndsInFindingsNotACrash) {
    // Every key of every kind given the wrong type, numbers beyond every range,
    // and nesting past what the reader accepts.
    const Lines wrong = lint(R"({"events": "x", "effects": [1, "s", null, {"textures": 7, "effects": [[], {}]}],
  "shaders": [{"uniform_defs": {"a": 1}, "fragment_shader_filename": 1e300}],
  "scenes": [{"camera": [], "root_node": 3}, {"camera": {"position": 1, "up": [1, 2]}, "root_node": {"model": []}}],
  "event_groups": [{"events": [1, null]}, {"name": "g", "events": "g"}],
  "font_textures": [{"width": 123456789012345678901234567890, "height": -99999999999999999999}],
  "datas": {}, "music": 5, "end_beat": 1e308, "bpm": -1e-320,
  "events2": [{"type": 999999999999}]})");
    EXPECT_GT(wrong.size(), 15u);
    EXPECT_EQ(lint("{\"music\": \"\",\n  \"bpm\": 1e999}"), (Lines{"2:10: error: number overflow parsing '1e999'"}));
    const Lines huge_type = lint(R"({"music": "", "events": [{"type": 999999999999}]})");
    EXPECT_EQ(huge_type, (Lines{"1: error: event type 999999999999 is not 0 to 255: the project does not load "
                                "(events[0].type)"}));
    const Lines deep = lint(std::string(600, '[') + std::string(600, ']'));
    ASSERT_EQ(deep.size(), 1u);
    EXPECT_NE(deep[0].find("error: nesting deeper than"), std::string::npos) << deep[0];
    EXPECT_EQ(lint("[1, 2]"), (Lines{"1: error: a project is a JSON object, not an array"}));
}

TEST(CheckCorpus, EveryFuzzedProjectGivesFindingsWithinItsOwnLines) {
    std::size_t linted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QB_JSON_CORPUS_DIR)) {
        const std::string path = entry.path().string();
        const std::string text = file_bytes(entry.path());
        const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        const Findings findings = lint_project(path, {false, false});
        for (const Finding& finding : findings.list()) {
            EXPECT_EQ(finding.file, path);
            EXPECT_GE(finding.line, 1) << path << ": " << format_text(finding);
            EXPECT_LE(finding.line, lines) << path << ": " << format_text(finding);
            EXPECT_FALSE(finding.message.empty()) << path;
        }
        ++linted;
    }
    EXPECT_GT(linted, 100u);
}

TEST(KeyPositions, FindsEveryKeyAndElementAndFallsBackToTheParent) {
    const KeyPositions positions("{\n \"a\": [\n  1,\n  {\"b\\\"c\": {}},\n  \"x\"\n ],\n \"d\": 2\n}");
    EXPECT_EQ(positions.line_of("a"), 2);
    EXPECT_EQ(positions.line_of("a[0]"), 3);
    EXPECT_EQ(positions.line_of("a[1].b\"c"), 4);
    EXPECT_EQ(positions.line_of("a[2]"), 5);
    EXPECT_EQ(positions.line_of("a[1].missing"), 4);
    EXPECT_EQ(positions.line_of("d"), 7);
    EXPECT_EQ(positions.line_of("nothing.here"), 1);
}

TEST_F(CheckTest, IncludedLinesMapBackToTheirOwnFile) {
    put("shaders/common.frag", "float a;\nfloat b;\nfloat c;\n");
    put("shaders/main.frag", "// main\n#include \"shaders/common.frag\"\nvoid main() {}\n");
    put("shaders/v.vert", "void main() {}\n");
    put_file(dir.path() / "project.json", R"({"shaders": [
  {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/main.frag"},
  {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/common.frag"}]})");
    const std::string text = file_bytes(dir.path() / "project.json");
    const JsonValue root = JsonValue::parse(text);
    const KeyPositions positions(text);
    Findings findings;
    const LintContext context{dir.file("project.json"), dir.path(), root, positions, findings};
    const auto sources = read_shader_sources(context);
    ASSERT_EQ(sources.size(), 2u);
    const ExpandedSource& expanded = sources[0].expanded;
    EXPECT_EQ(expanded.text, "// main\nfloat a;\nfloat b;\nfloat c;\n\nvoid main() {}\n");
    const std::string main_file = (dir.path() / "shaders/main.frag").string();
    const std::string common_file = (dir.path() / "shaders/common.frag").string();
    const std::pair<std::string, int> expected[] = {{main_file, 1},   {common_file, 1}, {common_file, 2},
                                                    {common_file, 3}, {main_file, 2},   {main_file, 3}};
    for (int line = 1; line <= 6; ++line) {
        const SourceOrigin origin = origin_of_line(sources, sources[0], line);
        EXPECT_EQ(origin.file, expected[line - 1].first) << "line " << line;
        EXPECT_EQ(origin.line, expected[line - 1].second) << "line " << line;
    }
}

}  // namespace

}  // namespace quillbarrow
