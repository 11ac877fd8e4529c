#pragma once

#include <string>

#include "lint/findings.h"

namespace quillbarrow {

struct LintOptions {
    // Shader compiling needs a GL context; tests of the other checks and
    // machines without one can leave it out.
    bool compile_shaders = true;
    // Loading models makes their textures and vertex arrays: it needs the
    // same context.
    bool load_models = true;
};

// Every finding about the project file at path. Never throws for any
// content of the file; a file that cannot be read is one finding.
Findings lint_project(const std::string& path, const LintOptions& options = {});

}  // namespace quillbarrow
