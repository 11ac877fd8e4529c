#pragma once

#include <string>
#include <vector>

#include "lint/lint_context.h"
#include "lint/shader_sources.h"
#include "shader_report/shader_build_report.h"

namespace quillbarrow {

// The web player compiles every shader as GLSL ES 3.00 after rewriting its
// desktop GLSL; what the rewrite cannot fix is found beforehand by Debian's
// glslangValidator (package glslang-tools).
constexpr const char* kWebValidatorProgram = "glslangValidator";
constexpr const char* kWebValidatorPackage = "glslang-tools";
// Said when the validator is missing: what was not done and how to get it.
std::string web_validator_missing(const std::string& what);

// The validator's full path, or empty when it is not installed.
std::string find_web_validator();

// The errors of one stage's text as the web player would compile it, placed
// through its expansion; a validator that fails without placing any gives
// one unplaced error (line 0) saying so.
std::vector<ShaderError> web_stage_errors(const std::string& validator, const char* stage,
                                          const ExpandedSource& source);

// Validates the vertex and fragment shader (includes expanded) of every
// readable program whose built[i] is true (an empty list: every one) and
// adds each error, once per place, as a finding of the given severity at
// the file and line the author wrote.
void check_web_shaders(const LintContext& context, const std::vector<ShaderSources>& sources,
                       const std::vector<bool>& built, const std::string& validator, Finding::Severity severity);

}  // namespace quillbarrow
