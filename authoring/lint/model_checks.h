#pragma once

#include "lint/lint_context.h"

namespace quillbarrow {

// Loads every model as the player would, in the project's folder, and
// reports each error of its load (a missing buffer or image file, a
// truncated asset, a URI outside the project folder, a glTF extension it
// requires that the player does not support) at its record, and as
// warnings what the player draws the model without (extensions it uses
// and ignores, morph targets, joints past the joint block, a missing
// default scene, unusable GPU instancing). Needs a current GL context.
// Models whose own file cannot be read are left to the resource-file
// checks.
void check_models(const LintContext& context);

}  // namespace quillbarrow
