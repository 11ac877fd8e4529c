#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace quillbarrow {

// Runs real executables for the end-to-end tests.
struct ProcessResult {
    int exit_code = -1;  // -1 when it did not exit normally
    int signal = 0;      // the signal that ended it, if any
    bool timed_out = false;
    double seconds = 0.0;
    std::string out, err;
};

struct ProcessOptions {
    std::string working_directory;
    std::vector<std::string> environment;  // "NAME=value" added to ours
    double timeout_seconds = 60.0;
    // Called while the process runs, after this many seconds, and again
    // every poke_interval_seconds when that is positive (events sent while
    // the player is still loading are discarded, so tests repeat them).
    double poke_after_seconds = -1.0;
    double poke_interval_seconds = 0.0;
    std::function<void(int pid)> poke;
};

ProcessResult run_process(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// True when a display is available for tests that open windows.
bool have_display();

}  // namespace quillbarrow
