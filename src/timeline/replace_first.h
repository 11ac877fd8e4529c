#pragma once

#include <string>
#include <string_view>

namespace quillbarrow {

// Replaces the first occurrence of `pattern` in `text`; later occurrences
// stay. Returns whether anything was replaced. An empty pattern matches
// nothing.
bool replace_first(std::string& text, std::string_view pattern, std::string_view replacement);

}  // namespace quillbarrow
