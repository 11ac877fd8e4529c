#include "project/project_export.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "serialization/byte_buffer.h"

namespace quillbarrow {

namespace fs = std::filesystem;

namespace {

// Where each kind of record keeps its file name and its embedded bytes.
struct ResourceKey {
    const char* list;
    const char* name_key;
    const char* bytes_key;
};

const ResourceKey kResourceKeys[] = {
    {"textures", "name", "image_buffer"}, {"audio_samples", "name", "audio_buffer"},
    {"fonts", "filename", "font_buffer"}, {"datas", "name", "data_buffer"},
    {"models", "filename", "buffer"},
};

JsonValue without(const JsonValue& object, const std::string& key) {
    JsonValue copy = JsonValue::object();
    for (const auto& [name, value] : object.members())
        if (name != key) copy[name] = value;
    return copy;
}

bool through_symlink(const fs::path& path) {
    fs::path prefix;
    for (const auto& part : path.parent_path()) {
        prefix /= part;
        std::error_code ignored;
        if (fs::is_symlink(fs::symlink_status(prefix, ignored))) return true;
    }
    std::error_code ignored;
    return fs::is_symlink(fs::symlink_status(path, ignored));
}

class Exporter {
public:
    explicit Exporter(const std::string& json_name) : json_name_(fs::path(json_name).lexically_normal()) {}

    // Writes the bytes to the named file and returns true, or says why they
    // stay in the project and returns false.
    bool place(const std::string& name, const std::string& bytes) {
        const char* why = nullptr;
        const fs::path path = fs::path(name).lexically_normal();
        if (!is_contained_path(name))
            why = "its name leads out of the project folder";
        else if (path == json_name_)
            why = "its name is the project file's";
        else if (through_symlink(path))
            why = "its name goes through a symbolic link";
        if (!why) {
            auto taken = written_.find(path.string());
            if (taken != written_.end()) {
                if (taken->second == bytes) return true;  // the same file twice
                why = "another record with other bytes has the same name";
            } else if (!write(path, bytes)) {
                why = "the file cannot be written";
            } else {
                written_.emplace(path.string(), bytes);
                return true;
            }
        }
        std::printf("Keeping \"%s\" inside the project: %s\n", name.c_str(), why);
        return false;
    }

private:
    static bool write(const fs::path& path, const std::string& bytes) {
        std::error_code ignored;
        if (path.has_parent_path()) fs::create_directories(path.parent_path(), ignored);
        std::FILE* file = std::fopen(path.string().c_str(), "wb");
        if (!file) return false;
        bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return std::fclose(file) == 0 && ok;
    }

    fs::path json_name_;
    std::map<std::string, std::string> written_;
};

}  // namespace

bool is_contained_path(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos ||
        name.find(':') != std::string::npos || name.find('\0') != std::string::npos)
        return false;
    const fs::path normal = fs::path(name).lexically_normal();
    if (normal.empty() || normal == ".") return false;
    for (const auto& part : normal)
        if (part == "..") return false;
    return !name.ends_with("/");
}

void export_resource_files(JsonValue& project, const std::string& json_name) {
    Exporter exporter(json_name);
    if (project.has("music") && exporter.place("resources/music.mp3", base64_decode(project["music"].as_string())))
        project = without(project, "music");

    for (const ResourceKey& kind : kResourceKeys) {
        if (!project.has(kind.list)) continue;
        JsonValue& list = project[kind.list];
        for (std::size_t i = 0; i < static_cast<std::size_t>(list.size()); ++i) {
            JsonValue& record = list[i];
            if (!record.has(kind.bytes_key)) continue;
            const std::string bytes = base64_decode(record[kind.bytes_key].as_string());
            if (exporter.place(record[kind.name_key].as_string(), bytes)) record = without(record, kind.bytes_key);
        }
    }

    // A program's two sources go to files together or stay together.
    if (!project.has("shaders")) return;
    JsonValue& shaders = project["shaders"];
    for (std::size_t i = 0; i < static_cast<std::size_t>(shaders.size()); ++i) {
        JsonValue& program = shaders[i];
        if (!program.has("fragment_shader_source")) continue;
        const std::string vertex_name = program["vertex_shader_filename"].as_string();
        const std::string fragment_name = program["fragment_shader_filename"].as_string();
        if (exporter.place(vertex_name, program["vertex_shader_source"].as_string()) &&
            exporter.place(fragment_name, program["fragment_shader_source"].as_string()))
            program = without(without(program, "vertex_shader_source"), "fragment_shader_source");
    }
}

}  // namespace quillbarrow
