// quillbarrow check run as a real process: shader builds in the hidden
// window, the output formats and the exit status.

#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "document/resource_test_helpers.h"
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

}  // namespace

}  // namespace quillbarrow
