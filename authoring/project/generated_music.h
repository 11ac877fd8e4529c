#pragma once

#include <string>

namespace quillbarrow {

// A short loop for a new project, made from nothing: a kick on every beat, a
// bass line in eighths and a soft hat between the kicks, as a PCM WAV file
// (22050 Hz, mono, 16-bit). The bytes of the whole file.
std::string generated_music_wav(double seconds, double bpm);

}  // namespace quillbarrow
