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
    // Validating shaders for the web player runs glslangValidator once per
    // stage (check asks for it); without it installed this is a notice.
    bool validate_for_web = false;
};

// Every finding about the project file at path. Never throws for any
// content of the file; a file that cannot be read is one finding.
Findings lint_project(const std::string& path, const LintOptions& options = {});

// Errors only: every shader line the web player would not compile, found by
// the validator at validator_path (see lint/web_shader_validation.h). None
// for a project that does not read: loading it says why.
Findings web_shader_findings(const std::string& path, const std::string& validator_path);

}  // namespace quillbarrow
