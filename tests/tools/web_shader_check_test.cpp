// check and pack --target web refuse what the web player's GLSL ES 3.00
// compiler would: warnings for check, a refused pack, and what each says
// when the validator is not installed.

#include <filesystem>

#include <gtest/gtest.h>

#include "document/resource_test_helpers.h"
#include "lint/web_shader_validation.h"
#include "support/tool_process.h"

namespace quillbarrow {

namespace {

class WebShaderCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_display()) GTEST_SKIP() << "no DISPLAY: run the suite under Xvfb";
        if (find_web_validator().empty()) GTEST_SKIP() << web_validator_missing("nothing to test");
        // A copy of the tool in build/ looks for the web page in build-web/, which holds none.
        std::filesystem::create_directories(dir.path() / "build");
        std::filesystem::copy_file(QB_TOOL_PATH, tool);
        put("shaders/v.vert", "#version 150\nin vec2 vp;\nvoid main() { gl_Position = vec4(vp, 0.0, 1.0); }\n");
        put("shaders/palette.frag", palette("1"));
        put("shaders/plasma.frag", "// Plasma: the palette's colours, moving.\n#include \"shaders/palette.frag\"\n"
                                   "void main() { fragColor = vec4(palette(beat * 0.5), 1.0); }\n");
        put("project.json", R"({"music": "", "bpm": 120.0, "beat_offset": 0.0, "end_beat": 8.0,
  "shaders": [
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/plasma.frag"},
    {"vertex_shader_filename": "shaders/v.vert", "fragment_shader_filename": "shaders/palette.frag"}],
  "effects": [{"name": "plasma", "program": "shaders/plasma.frag"}],
  "events": [{"type": 1, "name": "plasma", "effect": "plasma", "start_beat": 0.0, "end_beat": 8.0, "visible": "true"}]})");
    }
    void put(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        put_file(dir.path() / name, bytes);
    }
    ProcessResult run(std::vector<std::string> args, std::vector<std::string> environment = {}) {
        ProcessOptions options;
        options.working_directory = dir.path().string();
        options.timeout_seconds = 180;
        options.environment = std::move(environment);
        args.insert(args.begin(), tool.string());
        return run_process(args, options);
    }

    // A program of its own that the plasma includes; brightness is
    // initialised from an int on line 5.
    static std::string palette(const std::string& brightness) {
        return "#version 150\nout vec4 fragColor;\nuniform float beat;\nvec3 palette(float t) {\n"
               "    float brightness = " +
               brightness +
               ";\n    return vec3(t) * brightness;\n}\n"
               "// Drawn alone it shows its colours; included lower, only the includer's main remains.\n"
               "#if __LINE__ == 9\nvoid main() { fragColor = vec4(palette(beat), 1.0); }\n#endif\n";
    }

    ScratchDirectory dir{"web_shader_check"};
    std::filesystem::path tool = dir.path() / "build/quillbarrow";
};

const std::string kPlace = "shaders/palette.frag:5: ";
const std::string kReason = "not valid in the web player (GLSL ES 3.00): '=' : cannot convert from ' const int' to "
                            "' temp highp float' (shaders[0].fragment_shader_filename)";

TEST_F(WebShaderCheckTest, CheckWarnsAndPackForTheWebRefusesBeforeLookingForItsPage) {
    const ProcessResult checked = run({"check", "project.json"});
    EXPECT_EQ(checked.exit_code, 0) << checked.err;
    EXPECT_EQ(checked.out, kPlace + "warning: " + kReason + "\n");
    EXPECT_EQ(run({"check", "project.json", "--strict"}).exit_code, 1);

    const ProcessResult web = run({"pack", "project.json", "-o", "demo.html", "--target", "web"});
    EXPECT_EQ(web.exit_code, 1);
    EXPECT_EQ(web.err.rfind(kPlace + "error: " + kReason + "\n", 0), 0u) << web.err;
    EXPECT_EQ(web.err.find("no web player"), std::string::npos) << web.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "demo.html"));

    // The native players compile desktop GLSL: their packs do not validate.
    const ProcessResult native = run({"pack", "project.json", "-o", "demo", "--player", QB_TOOL_PATH});
    EXPECT_EQ(native.exit_code, 0) << native.err;

    // Fixed, the web pack gets as far as looking for its page.
    put("shaders/palette.frag", palette("1.0"));
    EXPECT_EQ(run({"check", "project.json", "--strict"}).out, "");
    const ProcessResult fixed = run({"pack", "project.json", "-o", "demo.html", "--target", "web"});
    EXPECT_EQ(fixed.exit_code, 1);
    EXPECT_NE(fixed.err.find("no web player"), std::string::npos) << fixed.err;
}

TEST_F(WebShaderCheckTest, WithoutTheValidatorCheckNotesItOnceAndPackForTheWebNamesThePackage) {
    const std::vector<std::string> no_validator = {"PATH=" + (dir.path() / "empty").string()};
    const ProcessResult checked = run({"check", "project.json", "--strict"}, no_validator);
    EXPECT_EQ(checked.exit_code, 0) << checked.err;
    EXPECT_EQ(checked.out, "");
    const std::string note =
        "quillbarrow check: glslangValidator is not installed: shaders were not validated for the web player; "
        "install Debian's glslang-tools (apt-get install glslang-tools)\n";
    const std::size_t at = checked.err.find(note);
    EXPECT_NE(at, std::string::npos) << checked.err;
    EXPECT_EQ(checked.err.find("glslangValidator", at + note.size()), std::string::npos) << "said twice";

    const ProcessResult web = run({"pack", "project.json", "-o", "demo.html", "--target", "web"}, no_validator);
    EXPECT_EQ(web.exit_code, 1);
    EXPECT_NE(web.err.find("apt-get install glslang-tools"), std::string::npos) << web.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "demo.html"));
}

}  // namespace

}  // namespace quillbarrow
