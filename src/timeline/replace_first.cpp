#include "timeline/replace_first.h"

namespace quillbarrow {

bool replace_first(std::string& text, std::string_view pattern, std::string_view replacement) {
    if (pattern.empty()) return false;
    const std::size_t at = text.find(pattern);
    if (at == std::string::npos) return false;
    text.replace(at, pattern.size(), replacement);
    return true;
}

}  // namespace quillbarrow
