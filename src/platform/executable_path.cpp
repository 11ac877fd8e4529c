#include "platform/executable_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace quillbarrow {

#ifdef _WIN32

std::string executable_path() {
    char path[260] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

std::string executable_file_name(const std::string& base) { return base + ".exe"; }

#else

std::string executable_path() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

std::string executable_file_name(const std::string& base) { return base; }
#endif

}  // namespace quillbarrow
