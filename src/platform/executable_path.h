#pragma once

#include <string>

namespace quillbarrow {

// Path of the running executable (at most 260 bytes on Windows), or empty
// when the system cannot tell.
std::string executable_path();

// The file name an executable called base has here: "base.exe" on Windows.
std::string executable_file_name(const std::string& base);

}  // namespace quillbarrow
