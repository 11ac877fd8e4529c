#pragma once

#include <string>
#include <vector>

#include "check/lint_context.h"

// Where a line of shader text came from, so that an error in the expanded
// source points at the file and line that hold it.
struct SourceOrigin {
    std::string file;  // a shader file, or the project file for embedded sources
    int line = 1;
    // For embedded sources: the project line of the key and the source line.
    bool embedded = false;
    std::string path;
};

// Text with the origin of every character: include expansion is plain text
// replacement, so this is the one exact way to map back.
struct TracedSource {
    std::string text;
    std::vector<SourceOrigin> origins;  // one per line of text, indexed from 0
    std::vector<int> char_lines;        // per character: index into origins
};

struct ShaderSources {
    bool readable = false;  // false when a file is missing (reported elsewhere)
    std::string fragment_name;
    TracedSource vertex;
    TracedSource fragment;  // before include expansion
    TracedSource expanded;  // after
};

// The sources of every shader in list order, read from the project or its files.
std::vector<ShaderSources> read_shader_sources(const LintContext& context);

// The origin of a 1-based line of the traced text.
const SourceOrigin& origin_of_line(const TracedSource& source, int line);

// Uniform names declared in GLSL text (comments skipped).
std::vector<std::string> declared_uniforms(const std::string& text);
