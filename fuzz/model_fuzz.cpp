// glTF bytes from arbitrary input, loaded as a model both as a binary asset
// and as text, animated at a few phases: parse failures are reported, never
// a crash or a read out of range.
#include <cstdint>
#include <stdexcept>

#include "fuzz_gl_session.h"
#include "scene/model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_gl_session();
    for (const char* name : {"fuzz.glb", "fuzz.gltf"}) {
        try {
            JsonValue value = JsonValue::object();
            value["filename"] = name;
            value["buffer"] = base64_encode(std::string_view(reinterpret_cast<const char*>(data), size));
            Model model(value);
            for (float phase : {0.0f, 0.37f, 1.0f}) model.animate(3, phase);
        } catch (const std::exception&) {
        }
    }
    return 0;
}
