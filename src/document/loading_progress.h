#pragma once

#include <cstdint>
#include <functional>

namespace quillbarrow {

// Loading reports progress after every record and once at the end; the
// loading screen listens. Without a listener the calls do nothing.
struct LoadingListener {
    std::function<void(std::uint64_t read, std::uint64_t total)> progress;
    std::function<void()> finished;
};

void set_loading_listener(LoadingListener listener);
void report_progress(std::uint64_t read, std::uint64_t total);
void finish_loading();

}  // namespace quillbarrow
