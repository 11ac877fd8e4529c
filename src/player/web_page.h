#pragma once

#include <optional>
#include <string>

#include "serialization/content_trailer.h"

namespace quillbarrow {

// The web player's side of its page (built only with Emscripten): the page
// carries the payload, shows the phase and errors, and drives the frames.

// The payload inlined into the page, decoded from base64.
PayloadRead read_page_payload();

// What the page shows and automation reads in window.quillbarrow.phase:
// "loading", "waiting", "playing", "paused", "ended" or "error".
void set_page_phase(const char* phase);
// Puts the message on the page (not only in the console); phase "error".
void show_page_error(const std::string& message);

// The beat B of a page opened with #beat=B&pause: shown at once, without the
// click, and held.
std::optional<float> paused_page_beat();

// Hands the frames to the browser: frame runs once per animation frame and
// must return. Until the viewer clicks (browsers start sound only after a
// gesture), or at once when paused, nothing plays; then start runs once,
// frame every animation frame (with the paused beat when there is one), and
// end once quit_requested is set. Does not return.
[[noreturn]] void run_page_frames(void (*start)(), void (*frame)(std::optional<float> fixed_beat), void (*end)());

}  // namespace quillbarrow
