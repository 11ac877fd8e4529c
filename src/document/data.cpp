#include "document/data.h"

#include "document/resource_file.h"

namespace quillbarrow {

JsonValue Data::to_json(bool export_resources) const {
    JsonValue out = JsonValue::object();
    out["name"] = name;
    store_resource_buffer(out, "data_buffer", buffer.get(), name, export_resources);
    return out;
}

void Data::write(BinaryWriter& out) const {
    out.write_string(name);
    write_resource_buffer(out, buffer.get());
}

void Data::from_json(const JsonValue& value) {
    name = value["name"].as_string();
    buffer = load_resource_buffer(value, "data_buffer", name);
}

void Data::read(BinaryReader& in) {
    name = in.read_string("data name");
    buffer = std::make_unique<ByteBuffer>(in);
}

}  // namespace quillbarrow
