// Any byte string given to the decompressor either decodes or raises one of
// its two errors; it never reads or writes out of bounds.
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "serialization/string_codec.h"

using namespace quillbarrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        decompress(std::string_view(reinterpret_cast<const char*>(data), size), 1 << 24);
    } catch (const std::runtime_error&) {
    } catch (const std::length_error&) {}
    return 0;
}
