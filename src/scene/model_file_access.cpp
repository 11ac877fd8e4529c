#include "scene/model_file_access.h"

#include <cstring>
#include <system_error>

#include "document/project_folder.h"
#include "document/resource_reader.h"

namespace quillbarrow {

ModelFileAccess::ModelFileAccess(ModelFiles files, std::string base_directory)
    : files_(files), base_directory_(std::move(base_directory)) {
    std::error_code ignored;
    folder_ = std::filesystem::current_path(ignored);
}

void ModelFileAccess::install(tinygltf::TinyGLTF& loader) {
    loader.SetFsCallbacks({&file_exists, &expand_path, &read_whole_file, &write_whole_file, this});
}

bool ModelFileAccess::file_exists(const std::string& path, void* self) {
    auto& access = *static_cast<ModelFileAccess*>(self);
    if (access.files_ == ModelFiles::None) {
        access.refuse(path, "a packed model reads no files; its bytes must all be embedded");
        return false;
    }
    if (!lies_inside(access.folder_, path)) {
        access.refuse(path, "it lies outside the project folder, and a model reads only files inside it");
        return false;
    }
    // Anything that exists is "found", so that reading it says why a device
    // or an oversized file is refused.
    return resource_file_problem(path).fault != ResourceFault::Missing;
}

// The library would expand "~" and variables; a URI is taken as written.
std::string ModelFileAccess::expand_path(const std::string& path, void*) { return path; }

bool ModelFileAccess::read_whole_file(std::vector<unsigned char>* out, std::string* err, const std::string& path,
                                      void* self) {
    auto& access = *static_cast<ModelFileAccess*>(self);
    // Checked again: the library calls this with whatever path it found.
    if (!file_exists(path, self)) {
        if (err) *err += "refused";
        return false;
    }
    ResourceFile file = read_resource_file(path);
    if (!file.ok()) {
        access.refuse(path, file.message);
        if (err) *err += file.message;
        return false;
    }
    out->resize(static_cast<std::size_t>(file.size));
    if (file.size) std::memcpy(out->data(), file.bytes.get(), static_cast<std::size_t>(file.size));
    return true;
}

bool ModelFileAccess::write_whole_file(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
    if (err) *err += "a model being loaded writes no files";
    return false;
}

std::string ModelFileAccess::uri_of(const std::string& path) const {
    for (const std::string& folder : {base_directory_, std::string(".")}) {
        if (folder.empty()) continue;
        const std::string prefix = folder.back() == '/' ? folder : folder + "/";
        if (path.compare(0, prefix.size(), prefix) == 0) return path.substr(prefix.size());
    }
    return path;
}

void ModelFileAccess::refuse(const std::string& path, const std::string& why) {
    // The library looks for a URI in two folders: one line per URI.
    const std::string line = "\"" + uri_of(path) + "\" was not read: " + why + "\n";
    if (refusals_.find(line) == std::string::npos) refusals_ += line;
}

std::string unread_images(const tinygltf::Model& gltf) {
    std::string lines;
    for (std::size_t i = 0; i < gltf.images.size(); ++i) {
        const tinygltf::Image& image = gltf.images[i];
        if (image.uri.empty() || tinygltf::IsDataURI(image.uri) || !image.image.empty()) continue;
        lines += "image " + std::to_string(i) + " (\"" + image.uri + "\") could not be read\n";
    }
    return lines;
}

}  // namespace quillbarrow
