#include <gtest/gtest.h>

#include "shader_report/shader_build_report.h"
#include "render/gl_object.h"
#include "render/render_test_support.h"

namespace quillbarrow {

namespace {

class ShaderBuildReportTest : public GlTest {};

std::unique_ptr<ShaderProgram> program_of(const std::string& file, const std::string& source) {
    auto program = std::make_unique<ShaderProgram>();
    program->fragment_shader_filename = file;
    program->fragment_shader_source = source;
    return program;
}

const char kColours[] = "#version 150\n"
                        "out vec4 fragColor;\n"
                        "vec3 paint() { return vec3(1.0, 0.0, 0.0); }\n"
                        "#if __LINE__ == 4\n"
                        "void main() { fragColor = vec4(paint(), 1.0); }\n"
                        "#endif\n";

}  // namespace

TEST(ShaderLogs, ReadsTheLineOfEachDriversFormat) {
    const auto lines = parse_info_log("0:12(5): error: `x' undeclared\n"
                                      "0(7) : error C1008: undefined variable \"y\"\n"
                                      "ERROR: 0:3: 'z' : syntax error\n"
                                      "0:4(1): warning: unused\n"
                                      "error: linking failed\n");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].line, 12);
    EXPECT_EQ(lines[0].message, "`x' undeclared");
    EXPECT_EQ(lines[1].line, 7);
    EXPECT_EQ(lines[1].message, "undefined variable \"y\"");
    EXPECT_EQ(lines[2].line, 3);
    EXPECT_TRUE(lines[2].is_error);
    EXPECT_EQ(lines[3].line, 4);
    EXPECT_FALSE(lines[3].is_error);
    EXPECT_EQ(lines[4].line, 0);
    EXPECT_TRUE(lines[4].is_error);
}

TEST(ShaderLogMapping, PlacesEachCompilerStyleAndLeavesUnknownLinesUnplaced) {
    const std::string main_file = "a.frag", lib_file = "lib.frag";
    const std::string main_text = "// a\n#include \"lib.frag\"\nvoid main() {}\n", lib_text = "float x;\nfloat y;\n";
    IncludeExpander includes({{&main_file, &main_text}, {&lib_file, &lib_text}});
    const ExpandedSource& source = includes.expand(main_file, main_text);
    const auto errors = placed_errors("0:3(12): error: syntax error\n0(5) : error C0000: oops\n"
                                      "ERROR: 0:2: 'x' : undeclared\n0:99(1): error: past the end\nlinker says no",
                                      false, source);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].origin.file, 1u);
    EXPECT_EQ(errors[0].origin.line, 2);
    EXPECT_EQ(errors[0].message, "syntax error");
    EXPECT_EQ(errors[1].origin.file, kExpandedFile);
    EXPECT_EQ(errors[1].origin.line, 3);
    EXPECT_EQ(errors[1].message, "oops");
    EXPECT_EQ(errors[2].origin.file, 1u);
    EXPECT_EQ(errors[2].origin.line, 1);
    EXPECT_EQ(errors[3].origin.line, 0);
}

TEST_F(ShaderBuildReportTest, IncludedLinesKeepTheirOwnFileAndLine) {
    ShaderProgram::ProgramList programs;
    programs.push_back(program_of("main.frag", "// first\n#include \"lib.frag\"\nvoid main() {}\n"));
    programs.push_back(program_of("lib.frag", "float a;\nfloat b;\n"));
    IncludeExpander includes = includes_of(programs);
    const ExpandedSource& source = includes.expand("main.frag", programs[0]->fragment_shader_source);
    EXPECT_EQ(source.origin_of_line(1).file, kExpandedFile);
    EXPECT_EQ(source.origin_of_line(2).file, 1u);
    EXPECT_EQ(source.origin_of_line(2).line, 1);
    EXPECT_EQ(source.origin_of_line(3).file, 1u);
    EXPECT_EQ(source.origin_of_line(3).line, 2);
    // The directive's line ending stays, so the include adds one line.
    EXPECT_EQ(source.origin_of_line(5).file, kExpandedFile);
    EXPECT_EQ(source.origin_of_line(5).line, 3);
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
    EXPECT_NE(report.find("(fragment shader of shaders/fill.frag)"), std::string::npos) << report;
    // Line 3 of the colours file is line 4 of the expanded fill program.
    EXPECT_EQ(report.find("shaders/fill.frag:4"), std::string::npos) << report;
    EXPECT_NE(report.find("shaders/colours.frag:3"), std::string::npos) << report;
}

TEST_F(ShaderBuildReportTest, CompilesTextsAsThePlayerDoesAndLeavesNoGlObject) {
    const std::string vertex = "#version 150\nin vec2 vp;\nvoid main() { gl_Position = vec4(vp, 0.0, 1.0); }\n";
    const long before = live_gl_objects();
    EXPECT_TRUE(compile_and_report(ExpandedSource::plain(vertex), ExpandedSource::plain(kColours)).empty());

    // A function declared but defined nowhere compiles but does not link.
    const std::string undefined = "#version 150\nout vec4 c;\nvec3 paint();\nvoid main() { c = vec4(paint(), 1.0); }\n";
    const auto unlinked = compile_and_report(ExpandedSource::plain(vertex), ExpandedSource::plain(undefined));
    ASSERT_EQ(unlinked.size(), 1u);
    EXPECT_EQ(unlinked[0].stage, ShaderBuildError::Stage::Link);
    EXPECT_EQ(unlinked[0].message.rfind("shaders do not link: ", 0), 0u) << unlinked[0].message;
    EXPECT_EQ(unlinked[0].message.find('\n'), std::string::npos) << "one line: " << unlinked[0].message;

    const auto broken = compile_and_report(ExpandedSource::plain("#version 150\nvoid main() { retrun; }\n"),
                                           ExpandedSource::plain(kColours));
    ASSERT_FALSE(broken.empty());
    EXPECT_EQ(broken[0].stage, ShaderBuildError::Stage::Vertex);
    EXPECT_EQ(broken[0].origin.file, kExpandedFile);
    EXPECT_EQ(broken[0].origin.line, 2);

    ExpandedSource refused;
    refused.error = "includes more than 64 files";
    const auto not_expanded = compile_and_report(ExpandedSource::plain(vertex), refused);
    ASSERT_EQ(not_expanded.size(), 1u);
    EXPECT_EQ(not_expanded[0].stage, ShaderBuildError::Stage::Includes);
    EXPECT_EQ(not_expanded[0].message, refused.error);
    EXPECT_EQ(live_gl_objects(), before) << "every shader and program compiled for a report is deleted";
}

}  // namespace quillbarrow
