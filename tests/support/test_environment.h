#pragma once

#include <string>

namespace quillbarrow {

// The mixer opened the way the player opens it (44100 Hz, signed 16-bit,
// stereo, 1024-frame chunks), once per test run, on the dummy audio driver
// unless SDL_AUDIODRIVER already names one. audio_format is filled from what
// it really opened.
bool ensure_test_mixer(std::string* error);

// The font renderer, once per test run.
bool ensure_test_ttf(std::string* error);

// Path of a file under tests/data.
std::string test_data_path(const std::string& relative);

// A path under the test temp directory that no other test process uses:
// ctest runs every test as its own process, several at a time.
std::string private_temp_path(const std::string& name);

}  // namespace quillbarrow
