#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/demo.h"

namespace quillbarrow {

// A project or packed file that cannot be read; the message says why.
class ProjectError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a JSON project. Resource paths in it are relative to the project
// file's folder, as the authoring tool sees them.
std::unique_ptr<Demo> load_project(const std::string& json_path);
// Reads the document appended to a packed executable.
std::unique_ptr<Demo> load_packed(const std::string& path);
// Either of the two, told apart by the trailer.
std::unique_ptr<Demo> load_production(const std::string& path);

std::vector<std::uint8_t> payload_of(const Demo& demo);
// Copies the player and appends the payload, its length and "DEMO"; the
// result is executable. A web player (an HTML page) gets the payload
// inlined into its page instead (see serialization/page_payload.h).
void write_packed(const std::string& player_path, const std::vector<std::uint8_t>& payload,
                  const std::string& out_path);
// Writes the project's JSON and its resource files into a folder.
void write_project(const Demo& demo, const std::string& folder, const std::string& json_name);

// Runs a function with the working directory changed, restoring it after.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& folder);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::string previous_;
};

}  // namespace quillbarrow
