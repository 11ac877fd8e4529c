#include "option_values.h"

#include <cmath>
#include <stdexcept>

#include "command.h"

namespace quillbarrow {

namespace {

constexpr float kLargestBeat = 1.0e7f;

bool parse_side(const std::string& text, int& side) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    side = std::stoi(text);
    return side >= 1 && side <= 8192;
}

}  // namespace

float parse_beat(const std::string& option, const std::string& text) {
    try {
        std::size_t used = 0;
        float beat = std::stof(text, &used);
        if (used == text.size() && std::isfinite(beat) && std::fabs(beat) <= kLargestBeat) return beat;
    } catch (const std::exception&) {}
    throw UsageError{option + " needs a finite number of beats between -10000000 and 10000000, not '" + text + "'"};
}

void parse_size(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    int w = 0, h = 0;
    if (x == std::string::npos || !parse_side(text.substr(0, x), w) || !parse_side(text.substr(x + 1), h))
        throw UsageError{"--size needs WIDTHxHEIGHT, each from 1 to 8192, for example 1280x720, not '" + text + "'"};
    width = w;
    height = h;
}

}  // namespace quillbarrow
