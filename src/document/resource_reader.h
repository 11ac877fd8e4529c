#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/resource_limits.h"

namespace quillbarrow {

// The one way the tools read a file a project names. Only regular files are
// read (a device such as /dev/zero, a pipe or a folder is refused before it
// is opened, and a pipe swapped in afterwards cannot block the read), and
// only up to a size limit. Every message names the file.

enum class ResourceFault { None, Missing, NotRegular, TooLarge, Unreadable };

struct ResourceFile {
    ResourceFault fault = ResourceFault::None;
    std::string message;  // empty when the file was read
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint64_t size = 0;

    bool ok() const { return fault == ResourceFault::None; }
};

ResourceFile read_resource_file(const std::string& path, std::uint64_t limit = kMaxResourceFileBytes);
// The same reading for a file the project does not name (the project file
// itself): never listed by an OutsideFileList.
ResourceFile read_regular_file(const std::string& path, std::uint64_t limit = kMaxResourceFileBytes);

// What read_resource_file would refuse, told from the file's status alone
// (nothing is opened); fault None when it would read it.
ResourceFile resource_file_problem(const std::string& path, std::uint64_t limit = kMaxResourceFileBytes);

// While one lives, every file read through read_resource_file whose name is
// absolute or leads outside the folder (after ".." and symlinks) is listed,
// once, by the name it was read under. One at a time.
class OutsideFileList {
public:
    explicit OutsideFileList(const std::filesystem::path& folder);
    ~OutsideFileList();
    OutsideFileList(const OutsideFileList&) = delete;
    OutsideFileList& operator=(const OutsideFileList&) = delete;

    const std::vector<std::string>& names() const { return names_; }
    void note(const std::string& name);

private:
    std::filesystem::path folder_;
    std::vector<std::string> names_;
};

}  // namespace quillbarrow
