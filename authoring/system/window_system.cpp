#include "system/window_system.h"

#include <cstdlib>

namespace quillbarrow {

#ifdef _WIN32
bool window_system_available() { return true; }
#else
bool window_system_available() { return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"); }
#endif

}  // namespace quillbarrow
