#pragma once

#include <memory>
#include <string>

#include "serialization/byte_buffer.h"
#include "serialization/json_value.h"

namespace quillbarrow {

// Data, textures, audio samples and fonts keep the bytes of a file. In JSON
// the bytes are either embedded under the record's buffer key or live in the
// file the record names.

// The whole file at path; a missing or unreadable file is a fatal error.
std::unique_ptr<ByteBuffer> read_file_buffer(const std::string& path);

// The buffer from value[key] when the key is present, else the whole file at
// path (a missing file is fatal).
std::unique_ptr<ByteBuffer> load_resource_buffer(const JsonValue& value, const char* key, const std::string& path);

// With export_resources the bytes go to the file at path and the key is left
// out; otherwise they are embedded under the key. A file that cannot be
// written keeps the bytes embedded, so an export never loses them.
void store_resource_buffer(JsonValue& out, const char* key, const ByteBuffer* buffer, const std::string& path,
                           bool export_resources);

// Writes a possibly absent buffer as an empty one.
void write_resource_buffer(BinaryWriter& out, const ByteBuffer* buffer);

}  // namespace quillbarrow
