#include "system/window_system.h"

#include <cstdlib>

namespace quillbarrow {

#ifdef _WIN32
bool window_system_available() { return true; }
#else
namespace {
bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}
}  // namespace

bool window_system_available() { return set("DISPLAY") || set("WAYLAND_DISPLAY"); }
#endif

}  // namespace quillbarrow
