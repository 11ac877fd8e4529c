#pragma once

namespace quillbarrow {

// Whether windows can be opened at all: on POSIX systems a DISPLAY or
// WAYLAND_DISPLAY must be set (and not empty); a Windows desktop always has one.
bool window_system_available();

}  // namespace quillbarrow
