#pragma once

#include "lint/lint_context.h"

namespace quillbarrow {

// References by name that find no record, duplicate names, groups that
// replay themselves and events outside the production's beats.
void check_references(const LintContext& context);

// Resource files a record names but does not embed, which are not there.
void check_resource_files(const LintContext& context);

}  // namespace quillbarrow
