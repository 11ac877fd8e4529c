#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quillbarrow {

class Demo;

// The project file and every file its records name (shader sources,
// images, sounds, fonts, data, models and the music), as absolute paths.
// Names of resources embedded in the project are listed too: they just
// never change.
std::vector<std::filesystem::path> project_files(const Demo& demo, const std::filesystem::path& project);

// Remembers each file's modification time and size; a file that appears,
// disappears or is rewritten counts as changed.
class FileWatch {
public:
    void watch(std::vector<std::filesystem::path> files);
    // Whether anything changed since the last call (or watch); takes the
    // new state as seen.
    bool changed();

private:
    struct Stamp {
        bool exists = false;
        std::filesystem::file_time_type time{};
        std::uintmax_t size = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stamp_of(const std::filesystem::path& file);

    std::vector<std::filesystem::path> files_;
    std::vector<Stamp> stamps_;
};

}  // namespace quillbarrow
