#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillbarrow {

struct NewProjectOptions {
    std::string folder;       // made if absent; an existing one must be empty
    bool with_scene = false;  // also a glTF stage with a camera orbit and a shadow
};

struct WrittenFile {
    std::string name;  // relative to the folder
    std::uintmax_t bytes = 0;
};

// Writes a small working project into a new or empty folder: project.json,
// shaders (one including another, one showing a title), generated music in
// resources/music.mp3, a font with its licence and, with a scene, a model.
// It never replaces a file: a folder that holds anything is refused with a
// ProjectError naming it, before anything is written. Returns what it wrote.
std::vector<WrittenFile> write_new_project(const NewProjectOptions& options);

// The title a new project shows: the folder's own name.
std::string new_project_title(const std::string& folder);

}  // namespace quillbarrow
