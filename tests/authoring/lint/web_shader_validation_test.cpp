// Shaders validated as the web player compiles them: glslangValidator's
// errors placed at the author's file and line through includes, once each.

#include <gtest/gtest.h>

#include "document/resource_test_helpers.h"
#include "lint/project_linter.h"
#include "lint/web_shader_validation.h"

namespace quillbarrow {

namespace {

class WebShaderValidationTest : public ::testing::Test {
protected:
    void SetUp() override {
        validator = find_web_validator();
        if (validator.empty()) GTEST_SKIP() << web_validator_missing("nothing to test");
    }
    void put(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        put_file(dir.path() / name, bytes);
    }

    std::string validator;
    ScratchDirectory dir{"web_shaders"};
};

const std::string kVertex = "#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n";
// Desktop GLSL that the rewrite makes valid ES: a version line, an
// extension ES lacks, the player's prelude defines.
const std::string kValidFragment = "#version 150\n#extension GL_ARB_shading_language_420pack : enable\n"
                                   "#define iTime beat\nuniform float beat;\nout vec4 fragColor;\n"
                                   "void main() { fragColor = vec4(sin(iTime)); }\n";
const char* kIntToFloat = "not valid in the web player (GLSL ES 3.00): '=' : cannot convert from ' const int' to "
                          "' temp highp float'";

TEST_F(WebShaderValidationTest, StageErrorsArePlacedThroughIncludesAndTheStageIsTheOneAsked) {
    // The validator stops at a stage's first error: one line wrong at a time.
    const std::string main_name = "main.frag", common_name = "common.frag";
    auto first_error = [&](const std::string& common, const std::string& main) {
        IncludeExpander includes({{&main_name, &main}, {&common_name, &common}});
        const auto errors = web_stage_errors(validator, "frag", includes.expand(main_name, main));
        EXPECT_EQ(errors.size(), 1u);
        return errors.empty() ? ShaderError{} : errors[0];
    };
    const std::string good_common = "// shared\nfloat half_of(float v) {\n    return v * 0.5;\n}\n";
    const std::string bad_common = "// shared\nfloat half_of(float v) {\n    float h = 1; return v * h;\n}\n";
    const std::string good_main = "#version 150\nout vec4 c;\n#include \"common.frag\"\nvoid main() {\n"
                                  "    c = vec4(half_of(1.0));\n}\n";
    const std::string bad_main = "#version 150\nout vec4 c;\n#include \"common.frag\"\nvoid main() {\n"
                                 "    float one = 1; c = vec4(half_of(one));\n}\n";
    const ShaderError in_include = first_error(bad_common, good_main);
    EXPECT_EQ(in_include.origin.file, 1u);  // common.frag, its own line 3
    EXPECT_EQ(in_include.origin.line, 3);
    EXPECT_EQ("not valid in the web player (GLSL ES 3.00): " + in_include.message, kIntToFloat);
    const ShaderError past_include = first_error(good_common, bad_main);
    EXPECT_EQ(past_include.origin.file, kExpandedFile);  // main.frag's line 5, counted past the include
    EXPECT_EQ(past_include.origin.line, 5);

    EXPECT_TRUE(web_stage_errors(validator, "frag", ExpandedSource::plain(kValidFragment)).empty());
    EXPECT_TRUE(web_stage_errors(validator, "vert", ExpandedSource::plain(kVertex)).empty());
    // gl_Position exists only in vertex shaders: a fragment run must refuse it.
    EXPECT_FALSE(web_stage_errors(validator, "frag", ExpandedSource::plain(kVertex)).empty());
    // A validator that fails without a line still says it failed.
    const auto unplaced = web_stage_errors("/bin/false", "frag", ExpandedSource::plain(kValidFragment));
    ASSERT_EQ(unplaced.size(), 1u);
    EXPECT_EQ(unplaced[0].origin.line, 0);
    EXPECT_NE(unplaced[0].message.find("exit status 1"), std::string::npos) << unplaced[0].message;
}

TEST_F(WebShaderValidationTest, ProjectFindingsNameTheFileOnceAndEmbeddedSourcesByKey) {
    put("shaders/v.vert", kVertex);
    put("shaders/common.frag", "float shade(float v) {\n    float one = 1; return v * one;\n}\n");
    put("shaders/main.frag", "#version 150\nout vec4 c;\n#include \"shaders/common.frag\"\n"
                             "void main() { c = vec4(shade(0.5)); }\n");
    put("shaders/ok.frag", kValidFragment);
    put("project.json", R"({"music": "",
  "shaders": [
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/main.frag"},
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/common.frag"},
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/ok.frag"}]})");
    const std::string project = dir.file("project.json");
    Findings findings = web_shader_findings(project, validator);
    ASSERT_EQ(findings.list().size(), 1u);
    EXPECT_EQ(format_text(findings.list()[0]), dir.file("shaders/common.frag") + ":2: error: " +
                                                   std::string(kIntToFloat) + " (shaders[0].fragment_shader_filename)");

    // check: a warning, and only with validation asked for.
    findings = lint_project(project, {false, false, true});
    ASSERT_EQ(findings.list().size(), 1u);
    EXPECT_EQ(findings.list()[0].severity, Finding::Severity::Warning);
    EXPECT_TRUE(lint_project(project, {false, false, false}).list().empty());
    // A project that does not read is left to the loader, which says why.
    put("broken.json", "{\"shaders\": [");
    EXPECT_TRUE(web_shader_findings(dir.file("broken.json"), validator).list().empty());

    put("embedded.json", R"({"music": "",
  "shaders": [{"vertex_shader_filename": "v", "fragment_shader_filename": "f",
    "vertex_shader_source": "#version 150\nin vec3 vp;\nvoid main() { float w = 1; gl_Position = vec4(vp, w); }\n",
    "fragment_shader_source": "#version 150\nout vec4 c;\nvoid main() { c = vec4(1); }\n"}]})");
    findings = web_shader_findings(dir.file("embedded.json"), validator);
    ASSERT_EQ(findings.list().size(), 1u) << format_text(findings.list()[0]);
    EXPECT_EQ(findings.list()[0].path, "shaders[0].vertex_shader_source");
    EXPECT_EQ(findings.list()[0].message.rfind("vertex shader line 3: not valid in the web player", 0), 0u)
        << findings.list()[0].message;
}

TEST_F(WebShaderValidationTest, BundledExamplesAreValidForTheWeb) {
    for (const char* example : {"neon-drift", "ember-rig"}) {
        const Findings findings =
            web_shader_findings(std::string(QB_EXAMPLES_DIR) + "/" + example + "/project.json", validator);
        for (const Finding& finding : findings.list()) ADD_FAILURE() << example << ": " << format_text(finding);
    }
}

}  // namespace

}  // namespace quillbarrow
