#include <gtest/gtest.h>

#include "player/diagnostics.h"
#include "render_test_support.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

class ShaderProgramTest : public GlTest {};

ShaderProgram::ProgramList
programs_with_sources(std::initializer_list<std::pair<std::string, std::string>> name_and_source) {
    ShaderProgram::ProgramList list;
    for (const auto& [name, source] : name_and_source) {
        auto p = std::make_unique<ShaderProgram>();
        p->fragment_shader_filename = name;
        p->fragment_shader_source = source;
        list.push_back(std::move(p));
    }
    return list;
}

}  // namespace

TEST(ShaderDialect, ReferenceTextsHaveTheirExactLengths) {
    EXPECT_EQ(fragment_prelude.size(), 356u);
    EXPECT_EQ(default_fragment_body.size(), 293u);
    EXPECT_EQ(default_vertex_source.size(), 72u);
    EXPECT_EQ(fragment_prelude.substr(fragment_prelude.size() - 2), "\n\n");
}

TEST_F(ShaderProgramTest, DefaultsBuildTheDefaultVertexShader) {
    ShaderProgram program;
    EXPECT_EQ(program.vertex_shader_source, default_vertex_source);
    EXPECT_EQ(program.vertex_shader_filename, "resources/default.vert");
    EXPECT_EQ(program.fragment_shader_filename, "resources/untitled.frag");
    EXPECT_NE(program.program_id, 0u);
    EXPECT_NE(program.vertex_shader_id, 0u);
}

TEST_F(ShaderProgramTest, PreludeAndDefaultBodyCompileCleanly) {
    auto program = dialect_program("", default_fragment_body);
    EXPECT_EQ(program->build_log, "Compilation successful.");
    EXPECT_NE(program->beat_location, -1);
    EXPECT_NE(program->resolution_location, -1);
    EXPECT_NE(program->vp_location, -1);
    EXPECT_EQ(program->matrices_block_index, 0xFFFFFFFFu);
}

TEST_F(ShaderProgramTest, CompileErrorIsKeptInTheBuildLog) {
    auto program =
        dialect_program("", "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = nonsense; }\n");
    EXPECT_NE(program->build_log, "Compilation successful.");
    EXPECT_FALSE(program->build_log.empty());
    EXPECT_NE(program->build_log.find("LINKER ERROR: "), std::string::npos);  // linking the broken stage fails too
    EXPECT_EQ(program->beat_location, -1);
}

TEST_F(ShaderProgramTest, FailedLinkFollowsTheCleanCompileLog) {
    auto program =
        dialect_program("vec4 missing_function();\n",
                        "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = missing_function(); }\n");
    EXPECT_EQ(program->build_log.rfind("Compilation successful.\nLINKER ERROR: ", 0), 0u) << program->build_log;
    EXPECT_GT(program->build_log.size(), std::string("Compilation successful.\nLINKER ERROR: ").size());
    EXPECT_EQ(program->beat_location, -1);
    EXPECT_EQ(program->vp_location, -1);
}

TEST_F(ShaderProgramTest, SamplerZeroIsNamedTex) {
    const std::string body =
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = texture(tex, vec2(0.5)) + "
        "texture(tex1, vec2(0.5)) + texture(tex15, vec2(0.5)); }\n";
    auto program = dialect_program("uniform sampler2D tex1;\nuniform sampler2D tex15;\n", body);
    EXPECT_NE(program->sampler_locations[0], -1);
    EXPECT_NE(program->sampler_locations[1], -1);
    EXPECT_NE(program->sampler_locations[15], -1);
    EXPECT_EQ(program->sampler_locations[2], -1);

    const std::string tex0_body =
        "uniform sampler2D tex0;\nout vec4 color;\nvoid main() { color = texture(tex0, vec2(0.5)); }\n";
    ShaderProgram tex0;
    tex0.fragment_shader_source = "#version 150\n" + tex0_body;
    tex0.rebuild();
    EXPECT_EQ(tex0.build_log, "Compilation successful.");
    EXPECT_EQ(tex0.sampler_locations[0], -1);
}

TEST_F(ShaderProgramTest, MatricesBlockIsBoundAtPointZero) {
    auto program =
        dialect_program("layout(std140) uniform MatricesBlock { mat4 joints[100]; };\n",
                        "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = joints[1][0]; }\n");
    ASSERT_NE(program->matrices_block_index, 0xFFFFFFFFu);
    GLint binding = -1;
    glGetActiveUniformBlockiv(program->program_id, program->matrices_block_index, GL_UNIFORM_BLOCK_BINDING, &binding);
    EXPECT_EQ(binding, 0);
}

TEST_F(ShaderProgramTest, UserUniformLocationsFollowTheirNames) {
    auto program = std::make_unique<ShaderProgram>();
    program->fragment_shader_source =
        fragment_prelude + "uniform float glow;\nuniform float unused;\n" +
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) { fragColor = vec4(glow); }\n";
    JsonValue glow = JsonValue::object();
    glow["name"] = "glow";
    JsonValue unused = JsonValue::object();
    unused["name"] = "unused";
    program->uniform_defs.push_back(std::make_unique<UniformDef>(glow));
    program->uniform_defs.push_back(std::make_unique<UniformDef>(unused));
    program->rebuild();
    EXPECT_NE(program->uniform_defs[0]->location, -1);
    EXPECT_EQ(program->uniform_defs[1]->location, -1);  // declared but dropped by the linker
}

TEST_F(ShaderProgramTest, IncludesExpandInListOrderAtFirstOccurrence) {
    const std::string inc_b = include_directive("b.frag"), inc_c = include_directive("c.frag");
    {
        auto list = programs_with_sources(
            {{"a.frag", "A[" + inc_b + "]" + inc_b}, {"b.frag", "B[" + inc_c + "]"}, {"c.frag", "C"}});
        list[0]->compile_shaders(&list);
        EXPECT_EQ(list[0]->expanded_fragment_source, "A[B[C]]" + inc_b);
    }
    {
        auto list =
            programs_with_sources({{"a.frag", "A[" + inc_b + "]"}, {"c.frag", "C"}, {"b.frag", "B[" + inc_c + "]"}});
        list[0]->compile_shaders(&list);
        EXPECT_EQ(list[0]->expanded_fragment_source, "A[B[" + inc_c + "]]");
    }
    {
        // The stored text of the included program is used, not its expansion.
        auto list = programs_with_sources({{"a.frag", inc_b}, {"b.frag", "B" + inc_c}, {"c.frag", "C"}});
        list[1]->compile_shaders(&list);
        list[0]->compile_shaders(&list);
        EXPECT_EQ(list[1]->expanded_fragment_source, "BC");
        EXPECT_EQ(list[0]->expanded_fragment_source, "BC");  // C expanded in a's own pass, after b
    }
}

TEST_F(ShaderProgramTest, SelfIncludeReachesTheCompiler) {
    auto list = programs_with_sources(
        {{"self.frag", fragment_prelude + include_directive("self.frag") + "\n" + default_fragment_body}});
    list[0]->compile_shaders(&list);
    list[0]->link_program();
    EXPECT_NE(list[0]->expanded_fragment_source.find(include_directive("self.frag")), std::string::npos);
    EXPECT_NE(list[0]->build_log.rfind("Compilation successful.", 0), 0u) << list[0]->build_log;
}

TEST_F(ShaderProgramTest, JsonAndBinaryFormsRoundTrip) {
    JsonValue def = JsonValue::object();
    def["name"] = "glow";
    def["min_val"] = 0.0;
    def["max_val"] = 2.0;
    def["default_val"] = 0.5;
    JsonValue value = JsonValue::object();
    value["vertex_shader_filename"] = "v.vert";
    value["fragment_shader_filename"] = "f.frag";
    value["vertex_shader_source"] = default_vertex_source;
    value["fragment_shader_source"] = fragment_prelude + default_fragment_body;
    value["uniform_defs"][0] = def;
    ShaderProgram program(value);
    EXPECT_EQ(program.build_log, "Compilation successful.");
    EXPECT_EQ(program.to_json(false), value);

    BinaryWriter out;
    program.write(out);
    BinaryReader in(out.bytes().data(), out.size());
    ShaderProgram back(in);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(back.to_json(false), value);
    EXPECT_NE(back.program_id, 0u);

    for (std::size_t cut = 0; cut < out.size(); cut += 7) {
        BinaryReader truncated(out.bytes().data(), cut);
        EXPECT_THROW(ShaderProgram{truncated}, FormatError) << cut;
    }
}

TEST_F(ShaderProgramTest, SourcesComeFromFilesWithoutTheFragmentKey) {
    std::string vert = private_temp_path("test.vert"), frag = private_temp_path("test.frag");
    save_whole_file(vert, default_vertex_source.data(), default_vertex_source.size());
    std::string fragment = fragment_prelude + default_fragment_body;
    save_whole_file(frag, fragment.data(), fragment.size());
    JsonValue value = JsonValue::object();
    value["vertex_shader_filename"] = vert;
    value["fragment_shader_filename"] = frag;
    value["vertex_shader_source"] = "ignored without a fragment source";
    ShaderProgram program(value);
    EXPECT_EQ(program.vertex_shader_source, default_vertex_source);
    EXPECT_EQ(program.fragment_shader_source, fragment);
    EXPECT_EQ(program.build_log, "Compilation successful.");

    // Exporting writes both files back and leaves the sources out.
    program.fragment_shader_source += "// edited\n";
    JsonValue exported = program.to_json(true);
    EXPECT_FALSE(exported.has("fragment_shader_source"));
    EXPECT_FALSE(exported.has("vertex_shader_source"));
    int length = 0;
    auto text = load_whole_file(frag, &length);
    EXPECT_EQ(std::string(text.get(), length), fragment + "// edited\n");
}

}  // namespace quillbarrow
