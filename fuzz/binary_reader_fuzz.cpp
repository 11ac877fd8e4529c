// Reads a small record-like sequence of every primitive from arbitrary bytes:
// a short or lying payload ends in a FormatError or a codec error.
#include <cstdint>
#include <stdexcept>

#include "serialization/binary_reader.h"
#include "serialization/byte_buffer.h"

using namespace quillbarrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BinaryReader in(data, size);
    try {
        std::uint64_t count = in.read_count("list", 9);
        for (std::uint64_t i = 0; i < count; ++i) {
            in.read_key("key");
            in.read_string("name");
            in.read_i32("width");
            in.read_vec3("position");
            ByteBuffer buffer(in);
        }
    } catch (const std::exception&) {}
    return 0;
}
