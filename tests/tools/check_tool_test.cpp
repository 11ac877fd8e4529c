// quillbarrow check run as a real process: shader builds in the hidden
// window, the output formats and the exit status.

#include <algorithm>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "document/resource_test_helpers.h"
#include "support/test_environment.h"
#include "support/tool_process.h"

namespace quillbarrow {

namespace {

class CheckToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
    }
    ProcessResult check(std::vector<std::string> args) {
        args.insert(args.begin(), "check");
        return run_tool(std::move(args), dir.path().string());
    }
    void put(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        put_file(dir.path() / name, bytes);
    }

    ScratchDirectory dir{"check_tool"};
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(CheckToolTest, BundledExamplesHaveNoFinding) {
    for (const char* example : {"neon-drift", "ember-rig"}) {
        const auto result = run_tool(
            {"check", std::string(QB_EXAMPLES_DIR) + "/" + example + "/project.json", "--strict"}, dir.path().string());
        EXPECT_EQ(result.exit_code, 0) << example << "\n" << result.out << result.err;
        EXPECT_EQ(result.out, "") << example;
    }
}

TEST_F(CheckToolTest, ShaderErrorsNameTheIncludedFileAndItsLine) {
    put("shaders/v.vert", "#version 330 core\nin vec2 vp;\nvoid main() { gl_Position = vec4(vp, 0.0, 1.0); }\n");
    put("shaders/common.frag", "float ok = 1.0;\nfloat broken = undeclared_name;\n");
    put("shaders/main.frag",
        "#version 330 core\nout vec4 color;\n#include \"shaders/common.frag\"\nvoid main() { color = vec4(ok); }\n");
    put("project.json", R"({"music": "",
  "shaders": [
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/main.frag"},
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/common.frag"}]})");
    const auto result = check({"project.json"});
    EXPECT_EQ(result.exit_code, 1) << result.err;
    const auto lines = lines_of(result.out);
    ASSERT_FALSE(lines.empty()) << result.err;
    // The included file is compiled on its own too (it is a program), so
    // both report the same place.
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind("shaders/common.frag:2: error: ", 0), 0u) << line;
        EXPECT_NE(line.find("undeclared_name"), std::string::npos) << line;
    }
    EXPECT_NE(result.out.find("(shaders[0].fragment_shader_filename)"), std::string::npos) << result.out;
}

// "FILE:LINE: error: message" of every line of a report that names a
// shader file, without what each tool adds after it, sorted.
std::vector<std::string> shader_places(const std::string& report) {
    static const std::regex place(R"(^(shaders/[a-z]+\.frag:[0-9]+: error: .*) \([^()]*\)$)");
    std::vector<std::string> places;
    for (const std::string& line : lines_of(report)) {
        std::smatch match;
        if (std::regex_search(line, match, place)) places.push_back(match[1]);
    }
    std::sort(places.begin(), places.end());
    return places;
}

TEST_F(CheckToolTest, CheckPackAndRenderPlaceShaderErrorsAlike) {
    put("shaders/v.vert", "#version 150\nin vec2 vp;\nvoid main() { gl_Position = vec4(vp, 0.0, 1.0); }\n");
    put("shaders/colours.frag", "// colours\nvec3 paint() { return vec3(undeclared_a); }\n");
    put("shaders/fill.frag", "#version 150\nout vec4 fragColor;\n#include \"shaders/colours.frag\"\n"
                             "void main() { fragColor = vec4(paint(), undeclared_b); }\n");
    put("project.json", R"({"music": "", "bpm": 120.0, "beat_offset": 0.0, "end_beat": 8.0,
  "shaders": [
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/fill.frag"},
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/colours.frag"}],
  "effects": [{"name": "fill", "program": "shaders/fill.frag"}],
  "events": [{"type": 1, "name": "fill", "effect": "fill", "start_beat": 0.0, "end_beat": 8.0, "visible": "true"}]})");
    const auto checked = check({"project.json"});
    const auto packed =
        run_tool({"pack", "project.json", "-o", "packed", "--player", QB_TOOL_PATH}, dir.path().string());
    const auto rendered =
        run_tool({"render", "project.json", "-o", "frame.png", "--beat", "1", "--size", "64x36"}, dir.path().string());
    EXPECT_EQ(checked.exit_code, 1);
    EXPECT_EQ(packed.exit_code, 1);
    EXPECT_EQ(rendered.exit_code, 1);
    const std::vector<std::string> places = shader_places(checked.out);
    EXPECT_EQ(shader_places(packed.err), places) << packed.err;
    EXPECT_EQ(shader_places(rendered.err), places) << rendered.err;
    // The included file's line, and the including file's own line past the include.
    std::vector<std::string> files;
    for (const std::string& place : places) files.push_back(place.substr(0, place.find(": error: ")));
    files.erase(std::unique(files.begin(), files.end()), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"shaders/colours.frag:2", "shaders/fill.frag:4"})) << checked.out;
}

TEST_F(CheckToolTest, AVeryLongChainOfGroupsEndsInFindingsNotAStackOverflow) {
    // Each group replays the next; the last two replay each other.
    constexpr int kGroups = 200000;
    std::string groups, events;
    for (int i = 0; i < kGroups; ++i) {
        const std::string n = std::to_string(i), next = std::to_string(i + 1 < kGroups ? i + 1 : i - 1);
        groups += std::string(i ? ",\n" : "") + R"({"name": "g)" + n + R"(", "events": ["e)" + n + R"("]})";
        events += std::string(i ? ",\n" : "") + R"({"name": "e)" + n + R"(", "type": 3, "group": "g)" + next + "\"}";
    }
    put("project.json", "{\"music\": \"\",\n\"event_groups\": [\n" + groups + "],\n\"events\": [\n" + events + "]}\n");
    const auto result = check({"project.json"});
    EXPECT_EQ(result.exit_code, 1) << result.err;
    const std::string last = std::to_string(kGroups - 1), before = std::to_string(kGroups - 2);
    EXPECT_EQ(result.out, "project.json:" + std::to_string(kGroups + 1) + ": error: group \"g" + before +
                              "\" contains itself: g" + before + " -> g" + last + " -> g" + before + " (event_groups[" +
                              before + "].events)\n" + "project.json:" + std::to_string(kGroups + 2) +
                              ": error: group \"g" + last + "\" contains itself: g" + last + " -> g" + before +
                              " -> g" + last + " (event_groups[" + last + "].events)\n");
}

TEST_F(CheckToolTest, JsonOutputIsOneObjectPerFinding) {
    put("project.json",
        "{\"music\": \"\",\n \"bpm\": 120,\n \"tempo\": 1.0,\n \"textures\": [{\"name\": \"gone.png\"}]}");
    const auto text = check({"project.json"});
    const auto json = check({"project.json", "--json"});
    EXPECT_EQ(json.exit_code, 1);
    const auto text_lines = lines_of(text.out), json_lines = lines_of(json.out);
    ASSERT_EQ(json_lines.size(), 3u) << json.out;
    ASSERT_EQ(text_lines.size(), json_lines.size());
    for (std::size_t i = 0; i < json_lines.size(); ++i) {
        const auto finding = nlohmann::json::parse(json_lines[i]);
        const std::string path = finding.at("path");
        const std::string rebuilt = finding.at("file").get<std::string>() + ":" +
                                    std::to_string(finding.at("line").get<int>()) + ": " +
                                    finding.at("severity").get<std::string>() + ": " +
                                    finding.at("message").get<std::string>() + " (" + path + ")";
        EXPECT_EQ(rebuilt, text_lines[i]);
    }
    EXPECT_EQ(nlohmann::json::parse(json_lines[0]).at("path"), "bpm");
    EXPECT_EQ(nlohmann::json::parse(json_lines[0]).at("line"), 2);
}

TEST_F(CheckToolTest, WarningsFailOnlyWhenStrictAndUsageErrorsGiveTwo) {
    put("project.json", "{\"music\": \"\", \"tempo\": 1.0}");
    const auto lenient = check({"project.json"});
    EXPECT_EQ(lenient.exit_code, 0);
    EXPECT_EQ(lenient.out, "project.json:1: warning: unknown key \"tempo\" in the project (tempo)\n");
    EXPECT_EQ(check({"project.json", "--strict"}).exit_code, 1);
    put("clean.json", "{\"music\": \"\"}");
    const auto clean = check({"clean.json", "--strict"});
    EXPECT_EQ(clean.exit_code, 0);
    EXPECT_EQ(clean.out, "");
    EXPECT_EQ(check({}).exit_code, 2);
    EXPECT_EQ(check({"project.json", "--bogus"}).exit_code, 2);
    EXPECT_EQ(check({"nowhere.json"}).exit_code, 1);
}

TEST_F(CheckToolTest, ModelsReportWhatThePlayerIgnoresOrRefusesAndPackRefusesTheRefused) {
    for (const char* model :
         {"unknown_extension.gltf", "morph_targets.gltf", "required_extension.gltf", "gpu_instancing.gltf"})
        put(std::string("models/") + model, file_bytes(test_data_path(std::string("gltf/") + model)));
    put("project.json", R"({"music": "",
  "models": [
    {"filename": "models/unknown_extension.gltf"},
    {"filename": "models/morph_targets.gltf"},
    {"filename": "models/required_extension.gltf"},
    {"filename": "models/gpu_instancing.gltf"}]})");
    const auto result = check({"project.json"});
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_EQ(lines_of(result.out),
              (std::vector<std::string>{
                  "project.json:3: warning: model \"models/unknown_extension.gltf\": uses glTF extensions the player "
                  "ignores: EXT_made_up_feature (models[0].filename)",
                  "project.json:4: warning: model \"models/morph_targets.gltf\": morph targets of 1 primitive (mesh 0 "
                  "primitive 0) are ignored: drawn in their base shape (models[1].filename)",
                  "project.json:5: error: model \"models/required_extension.gltf\": requires the glTF extension "
                  "EXT_made_up_required, which the player does not support; the model is not drawn "
                  "(models[2].filename)"}));

    // Warnings alone pass unless strict; the refused model stops a pack.
    put("project.json", R"({"music": "", "models": [{"filename": "models/unknown_extension.gltf"}]})");
    EXPECT_EQ(check({"project.json"}).exit_code, 0);
    EXPECT_EQ(check({"project.json", "--strict"}).exit_code, 1);
    put("project.json", R"({"music": "", "models": [{"filename": "models/required_extension.gltf"}]})");
    const auto packed =
        run_tool({"pack", "project.json", "-o", "packed", "--player", QB_TOOL_PATH}, dir.path().string());
    EXPECT_EQ(packed.exit_code, 1);
    EXPECT_NE(packed.err.find("quillbarrow pack: model \"models/required_extension.gltf\": requires the glTF "
                              "extension EXT_made_up_required"),
              std::string::npos)
        << packed.err;
}

}  // namespace

}  // namespace quillbarrow
