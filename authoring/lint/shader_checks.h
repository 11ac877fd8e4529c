#pragma once

#include <vector>

#include "lint/lint_context.h"
#include "lint/shader_sources.h"

namespace quillbarrow {

// Compiles and links every shader with its includes expanded, as the player
// does; errors point at the shader file and line that hold them. Needs a
// current GL context. Whether each program built, in list order.
std::vector<bool> check_shader_builds(const LintContext& context, const std::vector<ShaderSources>& sources);

// Uniform definitions naming no uniform of their program, and event tracks
// that drive nothing: no uniform definition of the effect's program, no
// font texture of the effect and no scene track of a scene effect.
void check_tracks_and_uniforms(const LintContext& context, const std::vector<ShaderSources>& sources);

}  // namespace quillbarrow
