#include "render/glsl_es_rewrite.h"

#include <vector>

#include <GL/glew.h>

namespace quillbarrow {

namespace {

// Default precisions: fragment shaders have none for floats, and the
// samplers the player's shaders use must have one for 3D and shadow lookups.
constexpr std::string_view kPrecisions =
    "precision highp float; precision highp int; precision highp sampler2D; precision highp sampler3D; "
    "precision highp samplerCube; precision highp sampler2DShadow; precision highp sampler2DArray; "
    "precision highp sampler2DArrayShadow; precision highp isampler2D; precision highp usampler2D;";

struct Line {
    std::string_view text;    // without its line end
    std::string_view ending;  // "\n", "\r\n" or "" for the last line
};

std::vector<Line> split_lines(std::string_view source) {
    std::vector<Line> lines;
    while (!source.empty()) {
        const std::size_t end = source.find('\n');
        if (end == std::string_view::npos) {
            lines.push_back({source, {}});
            break;
        }
        const bool crlf = end > 0 && source[end - 1] == '\r';
        lines.push_back({source.substr(0, crlf ? end - 1 : end), source.substr(crlf ? end - 1 : end, crlf ? 2 : 1)});
        source.remove_prefix(end + 1);
    }
    return lines;
}

// The directive's name when the line is a preprocessor directive
// ("version" for "  #  version 150"), else empty.
std::string_view directive_of(std::string_view line) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string_view::npos || line[at] != '#') return {};
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string_view::npos) return {};
    const std::size_t end = line.find_first_of(" \t", at);
    return line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

// Extensions GLSL ES 3.00 knows by the same name; every other one is a
// desktop extension that an ES compiler refuses.
bool is_es_extension(std::string_view line) {
    for (std::string_view known : {"GL_OES_", "GL_EXT_", "GL_KHR_", "GL_ANGLE_", "GL_NV_shader_noperspective"})
        if (line.find(known) != std::string_view::npos) return true;
    return false;
}

}  // namespace

std::string glsl_es_from_desktop(std::string_view source) {
    // An ES compiler takes the version line only as the very first line, so
    // the header comes first and the author's lines follow from line 1, the
    // version line itself commented out where it stood.
    std::string out = "#version 300 es\n" + std::string(kPrecisions) + "\n#line 1\n";
    out.reserve(out.size() + source.size() + 64);
    bool versioned = false;
    for (const Line& line : split_lines(source)) {
        const std::string_view directive = directive_of(line.text);
        const bool version = directive == "version" && !versioned;
        versioned = versioned || version;
        if (version || (directive == "extension" && !is_es_extension(line.text))) out += "// ";
        out += line.text;
        out += line.ending;
    }
    return out;
}

void shader_source(unsigned int shader, const std::string& source) {
#ifdef __EMSCRIPTEN__
    const std::string text = glsl_es_from_desktop(source);
#else
    const std::string& text = source;
#endif
    const char* start = text.c_str();
    const GLint length = static_cast<GLint>(text.size());
    glShaderSource(shader, 1, &start, &length);
}

}  // namespace quillbarrow
