#pragma once

#include <optional>
#include <string>

#include "serialization/content_trailer.h"

namespace quillbarrow {

// What the native loop and the web page's frames share.

// Ends the run with a message when the payload is missing or unreadable.
void refuse_unreadable_payload(const PayloadRead& payload);
// Ends the run: the production cannot be played, and why.
[[noreturn]] void unplayable(const std::string& why);

// The music and the clock start together, with the background watch.
void start_playback();
// One pass of the frame loop, at the music's beat unless a beat is fixed.
void play_frame(std::optional<float> fixed_beat);
// The music and every sample stop; the background watch ends.
void stop_playback();

}  // namespace quillbarrow
