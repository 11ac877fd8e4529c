#include <gtest/gtest.h>

#include "render/shader_build_report.h"
#include "render_test_support.h"

namespace {

class ShaderBuildReportTest : public GlTest {};

std::unique_ptr<ShaderProgram> program_of(const std::string& file, const std::string& source) {
    auto program = std::make_unique<ShaderProgram>();
    program->fragment_shader_filename = file;
    program->fragment_shader_source = source;
    return program;
}

const char kColours[] =
    "#version 150\n"
    "out vec4 fragColor;\n"
    "vec3 paint() { return vec3(1.0, 0.0, 0.0); }\n"
    "#if __LINE__ == 4\n"
    "void main() { fragColor = vec4(paint(), 1.0); }\n"
    "#endif\n";

} // namespace

TEST(ShaderLogMapping, RewritesEachCompilerStyleAndLeavesUnknownLinesAlone) {
    const std::vector<SourceLine> origins{{"a.frag", 1}, {"lib.frag", 1}, {"lib.frag", 2}, {"a.frag", 3}};
    EXPECT_EQ(map_log_to_files("0:3(12): error: syntax error", origins), "lib.frag:2(12): error: syntax error");
    EXPECT_EQ(map_log_to_files("0(4) : error C0000: oops", origins), "a.frag:3 : error C0000: oops");
    EXPECT_EQ(map_log_to_files("ERROR: 0:2: 'x' : undeclared", origins), "ERROR: lib.frag:1: 'x' : undeclared");
    EXPECT_EQ(map_log_to_files("0:9(1): error: past the end\nlinker says no", origins),
              "0:9(1): error: past the end\nlinker says no");
}

TEST_F(ShaderBuildReportTest, IncludedLinesKeepTheirOwnFileAndLine) {
    ShaderProgram::ProgramList programs;
    programs.push_back(program_of("main.frag", "// first\n#include \"lib.frag\"\nvoid main() {}\n"));
    programs.push_back(program_of("lib.frag", "float a;\nfloat b;\n"));
    auto lines = expanded_line_origins(*programs[0], programs);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0].file, "main.frag");
    EXPECT_EQ(lines[1].file, "lib.frag");
    EXPECT_EQ(lines[1].line, 1);
    EXPECT_EQ(lines[2].file, "lib.frag");
    EXPECT_EQ(lines[2].line, 2);
    // The directive's line ending stays, so the include adds one line.
    EXPECT_EQ(lines[4].file, "main.frag");
    EXPECT_EQ(lines[4].line, 3);
}

TEST_F(ShaderBuildReportTest, BrokenIncludeIsReportedAtItsOwnLine) {
    ShaderProgram::ProgramList programs;
    programs.push_back(program_of("shaders/fill.frag", "// fills the window\n#include \"shaders/colours.frag\"\n"
                                                       "void main() { fragColor = vec4(paint(), 1.0); }\n"));
    programs.push_back(program_of("shaders/colours.frag", kColours));
    for (auto& program : programs) program->compile_shaders(&programs), program->link_program();
    EXPECT_EQ(failed_build_report(programs), "");

    std::string broken = kColours;
    broken.replace(broken.find("return"), 6, "retrun");
    programs[1]->fragment_shader_source = broken;
    for (auto& program : programs) program->compile_shaders(&programs), program->link_program();
    EXPECT_FALSE(program_built(*programs[0]));
    EXPECT_FALSE(program_built(*programs[1]));
    std::string report = failed_build_report(programs);
    EXPECT_NE(report.find("Shader program shaders/fill.frag"), std::string::npos) << report;
    // Line 3 of the colours file is line 4 of the expanded fill program.
    EXPECT_EQ(report.find("shaders/fill.frag:4"), std::string::npos) << report;
    EXPECT_NE(report.find("shaders/colours.frag:3"), std::string::npos) << report;
}
