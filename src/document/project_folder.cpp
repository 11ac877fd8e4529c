#include "document/project_folder.h"

#include <system_error>

namespace quillbarrow {

namespace fs = std::filesystem;

bool lies_inside(const fs::path& folder, const fs::path& path) {
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) return false;
    const fs::path target = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error) return false;
    // Component by component, so that "/project-old" is not inside "/project".
    auto outside = target.begin();
    for (const fs::path& part : root) {
        if (outside == target.end() || part != *outside) return false;
        ++outside;
    }
    return true;
}

bool stays_in_project(const fs::path& folder, const std::string& name) {
    const fs::path path(name);
    if (path.is_absolute() || path.has_root_name() || path.has_root_directory()) return false;
    return lies_inside(folder, folder / path);
}

}  // namespace quillbarrow
