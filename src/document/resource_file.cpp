#include "document/resource_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "document/resource_reader.h"
#include "player/diagnostics.h"

namespace quillbarrow {

std::unique_ptr<ByteBuffer> load_resource_buffer(const JsonValue& value, const char* key, const std::string& path) {
    if (value.has(key)) return std::make_unique<ByteBuffer>(value[key]);
    return read_file_buffer(path);
}

std::unique_ptr<ByteBuffer> read_file_buffer(const std::string& path) {
    ResourceFile file = read_resource_file(path);
    if (file.fault == ResourceFault::Missing) {
        char message[256];
        std::snprintf(message, sizeof message, "File not found: %s", path.c_str());
        fatal_error(message);
    }
    if (!file.ok()) fatal_error(file.message);
    auto buffer = std::make_unique<ByteBuffer>();
    buffer->data = std::move(file.bytes);
    buffer->len = file.size;
    return buffer;
}

namespace {

bool write_file(const std::string& path, const ByteBuffer* buffer) {
    std::error_code ignored;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = true;
    if (buffer && buffer->len) ok = std::fwrite(buffer->data.get(), 1, buffer->len, file) == buffer->len;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

void store_resource_buffer(JsonValue& out, const char* key, const ByteBuffer* buffer, const std::string& path,
                           bool export_resources) {
    if (export_resources) {
        if (write_file(path, buffer)) return;
        report_notice(
            format_message("Cannot write resource file \"%s\"; keeping its bytes in the project.", path.c_str()));
    }
    out[key] = buffer ? buffer->to_json(export_resources) : JsonValue(std::string());
}

void write_resource_buffer(BinaryWriter& out, const ByteBuffer* buffer) {
    if (buffer) {
        buffer->write(out);
    } else {
        ByteBuffer().write(out);
    }
}

}  // namespace quillbarrow
