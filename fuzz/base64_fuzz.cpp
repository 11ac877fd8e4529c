// base64 text from arbitrary bytes: decoded or refused, and what decodes
// encodes back to text that decodes to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "serialization/byte_buffer.h"

using namespace quillbarrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const std::string bytes = base64_decode(text);
        if (base64_decode(base64_encode(bytes)) != bytes) std::abort();
    } catch (const std::runtime_error&) {}
    return 0;
}
