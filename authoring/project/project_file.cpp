#include "project/project_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "project/project_export.h"
#include "document/resource_reader.h"
#include "serialization/content_trailer.h"
#include "serialization/page_payload.h"

namespace quillbarrow {

namespace fs = std::filesystem;

WorkingDirectory::WorkingDirectory(const std::string& folder) : previous_(fs::current_path().string()) {
    if (!folder.empty()) fs::current_path(folder);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

std::unique_ptr<Demo> load_project(const std::string& json_path) {
    ResourceFile file = read_regular_file(json_path);
    if (file.fault == ResourceFault::Missing) throw ProjectError("No such project file: " + json_path);
    if (!file.ok()) throw ProjectError(file.message);
    JsonValue value = JsonValue::parse(
        std::string_view(reinterpret_cast<const char*>(file.bytes.get()), static_cast<std::size_t>(file.size)),
        json_path);
    file = {};
    std::string folder = fs::absolute(json_path).parent_path().string();
    WorkingDirectory in_project(folder);
    // Programs compile without their includes while a document loads; those
    // logs would only confuse. post_load compiles them again.
    QuietShaderLogs quiet;
    return std::make_unique<Demo>(value);
}

std::unique_ptr<Demo> load_packed(const std::string& path) {
    PayloadRead payload = read_payload(path);
    if (payload.status == TrailerStatus::Missing)
        throw ProjectError(path + " holds no production (no content trailer at its end)");
    if (payload.status == TrailerStatus::BadLength)
        throw ProjectError(path + ": the content trailer's length runs past the start of the file");
    if (payload.status == TrailerStatus::BadEncoding)
        throw ProjectError(path + ": the page's payload is not valid base64");
    BinaryReader in(payload.bytes.data(), payload.bytes.size());
    QuietShaderLogs quiet;
    auto demo = std::make_unique<Demo>(in);
    if (in.remaining() != 0)
        throw ProjectError(path + ": " + std::to_string(in.remaining()) + " bytes follow the document in its payload");
    return demo;
}

std::unique_ptr<Demo> load_production(const std::string& path) {
    // The trailer is looked for before the file is read as a project: only
    // in a regular file, so that a pipe or a device cannot hold the look.
    ResourceFile problem = resource_file_problem(path, UINT64_MAX);
    if (problem.fault == ResourceFault::Missing) throw ProjectError("No such project file: " + path);
    if (!problem.ok()) throw ProjectError(problem.message);
    if (read_payload(path).status != TrailerStatus::Missing) return load_packed(path);
    return load_project(path);
}

std::vector<std::uint8_t> payload_of(const Demo& demo) {
    BinaryWriter out;
    demo.write(out);
    if (out.size() > 0x7FFFFFFFu - 8) throw ProjectError("the production is too large to pack (2 GB at most)");
    return out.take();
}

namespace {

void write_packed_page(const std::string& page_path, const ResourceFile& page, const std::vector<std::uint8_t>& payload,
                       const std::string& out_path) {
    const auto packed = page_with_payload(
        std::string_view(reinterpret_cast<const char*>(page.bytes.get()), static_cast<std::size_t>(page.size)),
        payload);
    if (!packed) throw ProjectError(page_path + " is not a web player: it holds no empty payload element");
    std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
    out.write(packed->data(), static_cast<std::streamsize>(packed->size()));
    out.close();
    if (!out) throw ProjectError("Cannot write " + out_path);
}

}  // namespace

void write_packed(const std::string& player_path, const std::vector<std::uint8_t>& payload,
                  const std::string& out_path) {
    if (!fs::exists(player_path)) throw ProjectError("No player executable at " + player_path);
    if (player_path.ends_with(".html")) {
        ResourceFile page = read_regular_file(player_path);
        if (!page.ok()) throw ProjectError(page.message);
        return write_packed_page(player_path, page, payload, out_path);
    }
    std::error_code error;
    fs::copy_file(player_path, out_path, fs::copy_options::overwrite_existing, error);
    if (error) throw ProjectError("Cannot write " + out_path + ": " + error.message());
    std::FILE* out = std::fopen(out_path.c_str(), "ab");
    if (!out) throw ProjectError("Cannot write " + out_path);
    bool written = append_payload(out, payload);
    written = std::fclose(out) == 0 && written;
    if (!written) throw ProjectError("Cannot write " + out_path);
    fs::permissions(out_path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, error);
}

void write_project(const Demo& demo, const std::string& folder, const std::string& json_name) {
    fs::create_directories(folder);
    WorkingDirectory in_folder(folder);
    // Everything embedded first; then each resource moves to its own file
    // where its name is safe to write.
    JsonValue project = demo.to_json(false);
    export_resource_files(project, json_name);
    std::ofstream(json_name, std::ios::binary) << project.dump(2) << "\n";
}

}  // namespace quillbarrow
