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
// Puts a shader's compile or link log on the page, beside what plays.
void show_page_shader_log(const std::string& log);

// The beat B of a page opened with #beat=B&pause: shown at once, without the
// click, and held.
std::optional<float> paused_page_beat();

// True once for each click on the page's overlay ("click to start", or the
// end screen's "click to play again").
bool take_page_click();
// window.quillbarrow.beat and .level (the music analysis' level), each frame.
void show_page_beat(float beat, int level);

// Hands the frames to the browser: frame runs once per animation frame and
// must return. Does not return.
[[noreturn]] void run_page_frames(void (*frame)());

}  // namespace quillbarrow
