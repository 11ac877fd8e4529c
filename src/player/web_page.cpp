#include "player/web_page.h"

#ifdef __EMSCRIPTEN__

#include <cmath>
#include <cstdlib>

#include <emscripten.h>

#include "player/player_state.h"
#include "serialization/page_payload.h"

namespace quillbarrow {

namespace {

// The EM_JS bodies are JavaScript: clang-format would space them out.
// clang-format off

// The payload element's text, copied into the heap (freed by the caller).
EM_JS(char*, page_payload_text, (), {
    var element = document.getElementById("quillbarrow-payload");
    var text = element ? element.textContent : "";
    var size = lengthBytesUTF8(text) + 1;
    var copy = _malloc(size);
    if (copy) stringToUTF8(text, copy, size);
    return copy;
});

EM_JS(void, page_phase, (const char* phase, float beat), {
    window.quillbarrow = window.quillbarrow || {};
    window.quillbarrow.phase = UTF8ToString(phase);
    window.quillbarrow.beat = beat;
    if (Module.onPhase) Module.onPhase(window.quillbarrow.phase);
});

EM_JS(void, page_beat, (float beat), { window.quillbarrow.beat = beat; });

EM_JS(void, page_error, (const char* message), {
    window.quillbarrow = window.quillbarrow || {};
    window.quillbarrow.phase = "error";
    if (Module.onPlayerError) Module.onPlayerError(UTF8ToString(message));
});

// NaN unless the page's address ends in #beat=B&pause.
EM_JS(float, page_pause_beat, (), {
    var match = /^#beat=([-+0-9.eE]+)&pause$/.exec(window.location.hash);
    return match ? parseFloat(match[1]) : NaN;
});

// Set by the page when the viewer clicks the "click to start" overlay.
EM_JS(int, page_start_requested, (), { return Module.startRequested ? 1 : 0; });

// clang-format on

struct PageLoop {
    void (*start)() = nullptr;
    void (*frame)(std::optional<float>) = nullptr;
    void (*end)() = nullptr;
    std::optional<float> paused_beat;
    bool started = false;
};
PageLoop loop;

void page_frame() {
    if (!loop.started) {
        if (!loop.paused_beat && !page_start_requested()) return;
        loop.started = true;
        loop.start();
        set_page_phase(loop.paused_beat ? "paused" : "playing");
    }
    if (quit_requested) {
        loop.end();
        set_page_phase("ended");
        emscripten_cancel_main_loop();
        return;
    }
    loop.frame(loop.paused_beat);
    page_beat(current_beat);
}

}  // namespace

PayloadRead read_page_payload() {
    char* text = page_payload_text();
    if (!text) return {};
    PayloadRead result = payload_read_of(payload_from_element_text(text));
    std::free(text);
    return result;
}

void set_page_phase(const char* phase) { page_phase(phase, current_beat); }

void show_page_error(const std::string& message) { page_error(message.c_str()); }

std::optional<float> paused_page_beat() {
    const float beat = page_pause_beat();
    if (std::isnan(beat)) return std::nullopt;
    return beat;
}

void run_page_frames(void (*start)(), void (*frame)(std::optional<float>), void (*end)()) {
    loop = {start, frame, end, paused_page_beat(), false};
    set_page_phase("waiting");
    // Frames come from the browser's animation frames; Emscripten unwinds
    // out of this call, so it never returns.
    emscripten_set_main_loop(page_frame, 0, 1);
    __builtin_unreachable();
}

}  // namespace quillbarrow

#endif
