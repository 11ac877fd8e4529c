#pragma once

#include <string>
#include <string_view>

// Replaces the first occurrence of pattern in text; later ones stay.
// Returns whether there was one.
inline bool replace_first(std::string& text, std::string_view pattern, std::string_view replacement) {
    std::size_t at = text.find(pattern);
    if (at == std::string::npos) return false;
    text.replace(at, pattern.size(), replacement);
    return true;
}
