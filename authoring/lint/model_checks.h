#pragma once

#include "lint/lint_context.h"

namespace quillbarrow {

// Loads every model as the player would, in the project's folder, and
// reports each error of its load (a missing buffer or image file, a
// truncated asset, a URI outside the project folder) at its record. Needs
// a current GL context. Models whose own file cannot be read are left to
// the resource-file checks.
void check_models(const LintContext& context);

}  // namespace quillbarrow
