#pragma once

#include <filesystem>

namespace quillbarrow {

// Whether path (absolute, or relative to the current directory) still lies
// inside folder once "..", "." and symlinks are resolved. A folder that does
// not exist contains nothing.
bool lies_inside(const std::filesystem::path& folder, const std::filesystem::path& path);

// A resource name stays in its project when it is relative and, taken from
// the project's folder, lies inside it. Absolute names are refused even
// when they point into the folder: the project would not move with them.
bool stays_in_project(const std::filesystem::path& folder, const std::string& name);

}  // namespace quillbarrow
