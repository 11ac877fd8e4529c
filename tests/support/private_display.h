#pragma once

#include <string>

namespace quillbarrow {

// An Xvfb server of the test's own, so keys sent to "the player's window"
// reach this test's player only, even when tests run in parallel.
class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool ok() const { return pid_ > 0; }
    const std::string& name() const { return name_; }  // ":N"
    // "DISPLAY=:N", for a child's environment.
    std::string assignment() const { return "DISPLAY=" + name_; }

private:
    int pid_ = -1;
    std::string name_;
};

}  // namespace quillbarrow
