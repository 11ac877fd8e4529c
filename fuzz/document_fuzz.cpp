// A payload from arbitrary bytes, read as the player reads its document and
// then drawn for one frame: a short or lying payload ends in an error.
#include <cstdint>
#include <stdexcept>

#include "document/demo.h"
#include "fuzz_gl_session.h"
#include "player/player_state.h"

using namespace quillbarrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_gl_session();
    try {
        BinaryReader in(data, size);
        Demo demo(in);
        current_document = &demo;
        demo.post_load();
        demo.evaluate_frame(1.0f);
        current_document = nullptr;
    } catch (const std::exception&) {
        current_document = nullptr;
    }
    return 0;
}
