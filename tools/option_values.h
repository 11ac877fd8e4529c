#pragma once

#include <string>

namespace quillbarrow {

// Values of options several commands share, checked the same way everywhere.
// Each throws UsageError naming the option and the text it refused.

// Beats beyond +-1e7 lose their fraction in a float and overflow the integer
// part the shaders get ("iTime2").
float parse_beat(const std::string& option, const std::string& text);

// WIDTHxHEIGHT, each side 1 to 8192: the window, its back buffer and the
// effects' window-sized targets all take width x height x 4 bytes.
void parse_size(const std::string& text, int& width, int& height);

}  // namespace quillbarrow
