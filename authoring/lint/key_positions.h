#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace quillbarrow {

// Lines of the keys and array elements of a JSON text, by key path:
// "events[3].control_points.pulse". The root is "".
class KeyPositions {
public:
    // The text must already have parsed; a malformed tail is simply not scanned.
    explicit KeyPositions(std::string_view text);
    // The line of the path, or of its nearest ancestor that is in the text.
    int line_of(const std::string& path) const;

private:
    std::unordered_map<std::string, int> lines_;
};

// Path of a member and of an element below a parent path.
std::string member_path(const std::string& parent, const std::string& key);
std::string element_path(const std::string& parent, std::size_t index);

}  // namespace quillbarrow
