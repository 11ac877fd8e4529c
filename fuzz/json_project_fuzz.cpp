// A JSON project from arbitrary text: parsed, then read as a document in an
// empty folder, so every resource it names is missing. Bad text ends in a
// syntax error, a missing file in an error, never in a crash.
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "document/demo.h"
#include "fuzz_gl_session.h"

using namespace quillbarrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_gl_session();
    try {
        JsonValue value = JsonValue::parse(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.json");
        Demo demo(value);
        (void)demo.to_json(false).dump();
    } catch (const std::exception&) {}
    return 0;
}
