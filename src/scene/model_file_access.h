#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <tiny_gltf.h>

namespace quillbarrow {

// Where the files a glTF asset names (its buffer and image URIs) may come
// from. "data:" URIs are decoded by the library and need no file.
enum class ModelFiles {
    ProjectFolder,  // a project's model: regular files inside the current directory, within the size limit
    None,           // a packed model: its bytes are all embedded, so no file is read
};

// The library's file callbacks for one load, and what they refused. It must
// outlive the loader's use of them.
class ModelFileAccess {
public:
    // base_directory: the folder the asset's URIs are relative to.
    ModelFileAccess(ModelFiles files, std::string base_directory);
    void install(tinygltf::TinyGLTF& loader);
    // One line per URI refused, each with a line end; empty when none was.
    const std::string& refusals() const { return refusals_; }

private:
    static bool file_exists(const std::string& path, void* self);
    static std::string expand_path(const std::string& path, void* self);
    static bool read_whole_file(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* self);
    static bool write_whole_file(std::string* err, const std::string& path, const std::vector<unsigned char>& bytes,
                                 void* self);
    // The URI the library joined to one of its search folders.
    std::string uri_of(const std::string& path) const;
    void refuse(const std::string& path, const std::string& why);

    ModelFiles files_;
    std::string base_directory_;
    std::filesystem::path folder_;
    std::string refusals_;
};

// A line for each image whose external file was not read: the library only
// warns about those, and the model then draws without its texture.
std::string unread_images(const tinygltf::Model& gltf);

}  // namespace quillbarrow
