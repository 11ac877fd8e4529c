#pragma once

struct Mix_Chunk;

namespace quillbarrow {

class Demo;

// A frame drawn on its own, without the music playing (a rendered picture,
// a paused web page), shows the analysis the music would give at its beat.

// The document's music decoded to the mixer's format from its start to at
// least `seconds` in, or null when it has none or it does not decode. Kept
// for the rest of the run, decoded again only when a later time is asked.
const Mix_Chunk* decoded_music(const Demo& demo, double seconds);

// The audio texture and level as the live analysis would leave them at the
// beat: the 1,024 sound frames of the music from there, analysed. Silence
// before the music and past its end.
void analyse_music_at(const Demo& demo, float beat);

}  // namespace quillbarrow
