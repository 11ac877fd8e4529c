#pragma once

#include <string>

// Path of the running executable (at most 260 bytes on Windows), or empty
// when the system cannot tell.
std::string executable_path();
