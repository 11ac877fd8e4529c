#pragma once

#include <string>

#include "serialization/json_value.h"

namespace quillbarrow {

// Moves the embedded resources of a project's JSON (as written without
// export) into files under the current folder, each named by its record.
// A name is used only when it stays inside the folder (relative, no "..",
// no backslash or drive letter, no symbolic link on the way), is not the
// project file's own name, and no other record took it with other bytes;
// otherwise the bytes stay embedded in the JSON, so nothing is written
// elsewhere and nothing is lost. Each kept-in resource is reported on
// standard output.
void export_resource_files(JsonValue& project, const std::string& json_name);

// True when the name is a relative path that cannot leave the folder.
bool is_contained_path(const std::string& name);

}  // namespace quillbarrow
