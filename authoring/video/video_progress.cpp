#include "video/video_progress.h"

namespace quillbarrow {

double VideoProgress::seconds_so_far() const { return std::chrono::duration<double>(Clock::now() - started_).count(); }

void VideoProgress::update(std::int64_t done, std::int64_t total) {
    if (done == 0) started_ = Clock::now();
    if (!live_) return;
    const auto now = Clock::now();
    if (shown_ && done < total && now - last_shown_ < std::chrono::milliseconds(100)) return;
    last_shown_ = now;
    shown_ = true;
    const double seconds = seconds_so_far();
    const double fps = seconds > 0 ? done / seconds : 0.0;
    const double left = fps > 0 ? (total - done) / fps : 0.0;
    std::fprintf(stderr, "\r%lld/%lld frames  %5.1f%%  %6.1f fps  %02d:%02d left ", static_cast<long long>(done),
                 static_cast<long long>(total), total > 0 ? 100.0 * done / total : 100.0, fps,
                 static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    std::fflush(stderr);
}

void VideoProgress::finish() {
    if (live_ && shown_) std::fputs("\n", stderr);
}

}  // namespace quillbarrow
