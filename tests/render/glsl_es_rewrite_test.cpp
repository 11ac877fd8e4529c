#include <gtest/gtest.h>

#include <string>

#include "render/glsl_es_rewrite.h"

namespace quillbarrow {

namespace {

// The line of text a compiler's message for that line number points at,
// counted as #line directives set it (the last text to take the number:
// the header before a #line takes numbers the author's lines take again).
std::string numbered_line(const std::string& source, int line) {
    int number = 1;
    std::string found;
    std::size_t at = 0;
    while (at < source.size()) {
        const std::size_t end = source.find('\n', at);
        const std::string text = source.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (text.rfind("#line ", 0) == 0) {
            number = std::stoi(text.substr(6));
        } else {
            if (number == line) found = text;
            ++number;
        }
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return found;
}

}  // namespace

TEST(GlslEsRewrite, VersionBecomesEsWithPrecisionsAndEveryLineKeepsItsNumber) {
    const std::string desktop = "// a comment first\n"
                                "#version 150\n"
                                "#extension GL_ARB_gpu_shader5 : enable\n"
                                "#extension GL_OES_standard_derivatives : enable\n"
                                "out vec4 fragColor;\n"
                                "void main() { fragColor = vec4(1.0); }";
    const std::string es = glsl_es_from_desktop(desktop);
    EXPECT_EQ(es.rfind("#version 300 es\nprecision highp float;", 0), 0u) << es;
    EXPECT_EQ(numbered_line(es, 1), "// a comment first");
    EXPECT_EQ(numbered_line(es, 2), "// #version 150");
    // Lines 3 to 6 as the author numbers them, the desktop-only extension
    // commented out, the ES one kept.
    EXPECT_EQ(numbered_line(es, 3), "// #extension GL_ARB_gpu_shader5 : enable");
    EXPECT_EQ(numbered_line(es, 4), "#extension GL_OES_standard_derivatives : enable");
    EXPECT_EQ(numbered_line(es, 5), "out vec4 fragColor;");
    EXPECT_EQ(numbered_line(es, 6), "void main() { fragColor = vec4(1.0); }");
    EXPECT_EQ(es.back(), '}');
}

TEST(GlslEsRewrite, SourceWithoutVersionOrWithCrLfStillNumbersFromOne) {
    const std::string bare = glsl_es_from_desktop("void main() {}\nint x;\n");
    EXPECT_EQ(bare.rfind("#version 300 es\n", 0), 0u);
    EXPECT_EQ(numbered_line(bare, 1), "void main() {}");
    EXPECT_EQ(numbered_line(bare, 2), "int x;");

    const std::string crlf = glsl_es_from_desktop(
        "  #  version 330 core\r\n#extension GL_ARB_shading_language_420pack: require\r\nfloat y;\r\n");
    EXPECT_EQ(crlf.rfind("#version 300 es\n", 0), 0u);
    EXPECT_NE(crlf.find("#line 1\n//   #  version 330 core\r\n// #extension GL_ARB_shading_language_420pack: "
                        "require\r\nfloat y;\r\n"),
              std::string::npos)
        << crlf;
    // Only the first version line is the shader's; a later one is the
    // compiler's to refuse.
    const std::string twice = glsl_es_from_desktop("#version 150\n#version 150\n");
    EXPECT_EQ(numbered_line(twice, 2), "#version 150");
}

}  // namespace quillbarrow
