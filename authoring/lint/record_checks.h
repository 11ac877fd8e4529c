#pragma once

#include "lint/lint_context.h"

namespace quillbarrow {

// Walks every record from the root and reports values of the wrong kind
// (what they silently read as) and keys no reader asks for.
void check_records(const LintContext& context);

}  // namespace quillbarrow
