#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace quillbarrow {

// The video command's progress on standard error: on a terminal one line
// redrawn at most ten times a second (frames, percent, speed, time left);
// otherwise, or when quiet, nothing until the summary.
class VideoProgress {
public:
    explicit VideoProgress(bool live) : live_(live), started_(Clock::now()) {}
    // Zero frames done starts the count: the speed is of the frames shown.
    void update(std::int64_t done, std::int64_t total);
    // Since the count started.
    double seconds_so_far() const;
    // Ends the live line; the summary is printed by the caller.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    bool live_;
    Clock::time_point started_, last_shown_{};
    bool shown_ = false;
};

}  // namespace quillbarrow
