#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/process.h"

namespace quillbarrow {

// The cross-built executables and the Wine that runs them, for the Windows
// smoke tests.
namespace windows_build {

std::filesystem::path player();  // build-windows/quillbarrow-player.exe
std::filesystem::path tool();    // build-windows/quillbarrow.exe

// Why the smoke tests cannot run here (no Windows build, no Wine prefix),
// or empty when they can.
std::string missing();

// Runs a Windows executable under Wine in the suite's prefix, quietly and
// with the dummy audio driver. options.environment may add DISPLAY=... and
// a WINEPREFIX=... of its own.
ProcessResult run(std::vector<std::string> argv, ProcessOptions options = {});

// The suite's prefix cloned (hard links, the registry copied) for a test
// with an X display of its own: a wineserver keeps to one display, and its
// processes on another fail when their windows close.
class PrivatePrefix {
public:
    PrivatePrefix();
    ~PrivatePrefix();
    PrivatePrefix(const PrivatePrefix&) = delete;
    PrivatePrefix& operator=(const PrivatePrefix&) = delete;

    bool ok() const { return ok_; }
    std::string assignment() const { return "WINEPREFIX=" + path_; }

private:
    std::string path_;
    bool ok_ = false;
};

// The RGB colour of one pixel of an X display's root window, read with xwd,
// or false when the screenshot failed.
bool screen_pixel(const std::string& display, int x, int y, int rgb[3]);

}  // namespace windows_build

}  // namespace quillbarrow
