#pragma once

#include "serialization/content_trailer.h"

namespace quillbarrow {

// The web player's run, in the browser's animation frames (built only with
// Emscripten): the payload is read a few records per frame and the programs
// built a few per frame under the loading screen; then the page waits for a
// click (browsers start sound only after a gesture), holds the loading
// screen with its sound, and plays. The end (the end beat or Escape) shows
// the end screen, whose click plays again. A page opened with
// #beat=B&pause shows beat B once loaded, without the click, and holds it.
// Does not return.
[[noreturn]] void run_page_player(PayloadRead payload);

}  // namespace quillbarrow
