#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillbarrow {

// Interleaved stereo signed 16-bit sound as a PCM WAV file. False, with the
// reason, when it cannot be written.
bool save_stereo_wav(const std::string& path, const std::vector<std::int16_t>& samples, int frequency,
                     std::string* error);

}  // namespace quillbarrow
