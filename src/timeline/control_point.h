#pragma once

#include <string>

namespace quillbarrow {

// One key of a control track. Beats are relative to the owning event's start.
// A point with a non-empty text is a text point and always has value 0.
struct ControlPoint {
    float beat = 0.0f;
    float value = 0.0f;
    std::string text;

    bool operator==(const ControlPoint&) const = default;
};

}  // namespace quillbarrow
