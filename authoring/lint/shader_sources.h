#pragma once

#include <string>
#include <vector>

#include "lint/lint_context.h"
#include "render/shader_includes.h"

namespace quillbarrow {

// Where a line of shader text came from, so that an error in the expanded
// source points at the file and line that hold it.
struct SourceOrigin {
    std::string file;  // a shader file, or the project file for embedded sources
    int line = 1;
    // For embedded sources: the project line of the key and the source line.
    bool embedded = false;
    std::string path;
};

// One stage's text as read, with the origin of its first line.
struct StageSource {
    std::string text;
    SourceOrigin origin;
};

struct ShaderSources {
    bool readable = false;  // false when a file is missing (reported elsewhere)
    std::string fragment_name;
    StageSource vertex;
    StageSource fragment;     // before include expansion
    ExpandedSource expanded;  // after, as the player expands it
};

// The sources of every shader in list order, read from the project or its files.
std::vector<ShaderSources> read_shader_sources(const LintContext& context);

// Where a line of a shader's expanded fragment source was written.
SourceOrigin origin_in_project(const std::vector<ShaderSources>& all, const StageSource& own, const LineOrigin& line);
SourceOrigin origin_of_line(const std::vector<ShaderSources>& all, const ShaderSources& shader, int line);

// Uniform names declared in GLSL text (comments skipped).
std::vector<std::string> declared_uniforms(const std::string& text);

}  // namespace quillbarrow
