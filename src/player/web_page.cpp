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

EM_JS(void, page_beat, (float beat, int level), {
    window.quillbarrow.beat = beat;
    window.quillbarrow.level = level;
});

EM_JS(void, page_shader_log, (const char* log), {
    if (Module.onShaderLog) Module.onShaderLog(UTF8ToString(log));
});

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

// Set by the page when the viewer clicks the "click to start" overlay or
// the end screen; taken once.
EM_JS(int, page_click, (), {
    var clicked = Module.clicked ? 1 : 0;
    Module.clicked = false;
    return clicked;
});

// clang-format on

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

void show_page_shader_log(const std::string& log) { page_shader_log(log.c_str()); }

std::optional<float> paused_page_beat() {
    const float beat = page_pause_beat();
    if (std::isnan(beat)) return std::nullopt;
    return beat;
}

bool take_page_click() { return page_click() != 0; }

void show_page_beat(float beat, int level) { page_beat(beat, level); }

void run_page_frames(void (*frame)()) {
    // Emscripten unwinds out of this call, so it never returns.
    emscripten_set_main_loop(frame, 0, 1);
    __builtin_unreachable();
}

}  // namespace quillbarrow

#endif
