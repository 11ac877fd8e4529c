#include "document/resource_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "document/project_folder.h"

namespace quillbarrow {

namespace {

OutsideFileList*& active_outside_list() {
    static OutsideFileList* list = nullptr;
    return list;
}

ResourceFile fault(ResourceFault kind, std::string message) {
    ResourceFile file;
    file.fault = kind;
    file.message = std::move(message);
    return file;
}

ResourceFile not_regular(const std::string& path) {
    return fault(ResourceFault::NotRegular,
                 path + " is not a regular file (a device, a pipe or a folder); resources are read only from files");
}

ResourceFile too_large(const std::string& path, std::uint64_t size, std::uint64_t limit) {
    return fault(ResourceFault::TooLarge, path + " holds " + std::to_string(size) + " bytes, more than the " +
                                              std::to_string(limit) + " a resource file may hold");
}

// The size of a regular file within the limit, or the fault.
ResourceFile check_status(const std::string& path, std::uint64_t limit) {
#ifdef _WIN32
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return fault(ResourceFault::Missing, "File not found: " + path);
    if (!std::filesystem::is_regular_file(status)) return not_regular(path);
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error) return fault(ResourceFault::Unreadable, "Cannot read " + path + ": " + error.message());
#else
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return fault(ResourceFault::Missing, "File not found: " + path);
        return fault(ResourceFault::Unreadable, "Cannot read " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) return not_regular(path);
    const auto size = static_cast<std::uint64_t>(status.st_size);
#endif
    if (size > limit) return too_large(path, size, limit);
    ResourceFile file;
    file.size = size;
    return file;
}

#ifdef _WIN32
ResourceFile read_checked(const std::string& path, ResourceFile file) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return fault(ResourceFault::Unreadable, "Cannot read " + path);
    file.bytes = std::make_unique<std::uint8_t[]>(file.size);
    in.read(reinterpret_cast<char*>(file.bytes.get()), static_cast<std::streamsize>(file.size));
    file.size = static_cast<std::uint64_t>(in.gcount());
    return file;
}
#else
ResourceFile read_checked(const std::string& path, ResourceFile file, std::uint64_t limit) {
    // Non-blocking, so that a pipe put in the file's place since the check
    // cannot hold the open; the descriptor's own status is checked again.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fault(ResourceFault::Unreadable, "Cannot read " + path + ": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return not_regular(path);
    }
    file.size = static_cast<std::uint64_t>(status.st_size);
    if (file.size > limit) {
        ::close(fd);
        return too_large(path, file.size, limit);
    }
    file.bytes = std::make_unique<std::uint8_t[]>(std::max<std::uint64_t>(file.size, 1));
    std::uint64_t got = 0;
    // A file that shrinks while it is read gives what it still holds; one
    // that grows gives its size at the check.
    while (got < file.size) {
        const ssize_t n = ::read(fd, file.bytes.get() + got, static_cast<std::size_t>(file.size - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string why = std::strerror(errno);
            ::close(fd);
            return fault(ResourceFault::Unreadable, "Cannot read " + path + ": " + why);
        }
        if (n == 0) break;
        got += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    file.size = got;
    return file;
}
#endif

}  // namespace

ResourceFile resource_file_problem(const std::string& path, std::uint64_t limit) { return check_status(path, limit); }

ResourceFile read_resource_file(const std::string& path, std::uint64_t limit) {
    if (OutsideFileList* list = active_outside_list()) list->note(path);
    return read_regular_file(path, limit);
}

ResourceFile read_regular_file(const std::string& path, std::uint64_t limit) {
    ResourceFile file = check_status(path, limit);
    if (!file.ok()) return file;
#ifdef _WIN32
    return read_checked(path, std::move(file));
#else
    return read_checked(path, std::move(file), limit);
#endif
}

OutsideFileList::OutsideFileList(const std::filesystem::path& folder) : folder_(std::filesystem::absolute(folder)) {
    active_outside_list() = this;
}

OutsideFileList::~OutsideFileList() {
    if (active_outside_list() == this) active_outside_list() = nullptr;
}

void OutsideFileList::note(const std::string& name) {
    // Names are relative to the current directory, which is the project's
    // folder while a project loads.
    const std::filesystem::path path(name);
    const bool inside = !path.is_absolute() && !path.has_root_directory() && lies_inside(folder_, path);
    if (!inside && std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
}

}  // namespace quillbarrow
