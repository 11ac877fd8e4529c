#include "preview/preview_status.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "preview/preview_clock.h"

namespace quillbarrow {

namespace {

std::string number(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

PreviewStatus PreviewStatus::of(const std::string& project_name, const PreviewClock& clock) {
    PreviewStatus status;
    status.project_name = project_name;
    status.beat = clock.beat();
    status.paused = clock.paused();
    status.looping = clock.looping();
    status.loop_start = clock.loop_start();
    status.loop_end = clock.loop_end();
    return status;
}

std::string preview_title(const PreviewStatus& status, bool utf8) {
    const std::string dash = utf8 ? " — " : " - ", range = utf8 ? "–" : "-";
    const int bar = static_cast<int>(std::floor(status.beat / 4.0f)) + 1;
    std::string title = status.project_name + dash + "beat " + number(status.beat, "%.1f") + " bar " +
                        std::to_string(bar) + dash + number(status.fps, "%.0f") + " fps";
    if (status.paused) title += dash + "paused";
    if (status.looping)
        title += dash + "loop " + number(status.loop_start, "%.5g") + range + number(status.loop_end, "%.5g");
    return title;
}

void write_status_file(const std::string& path, const PreviewStatus& status) {
    const std::string side = path + ".part";
    std::FILE* file = std::fopen(side.c_str(), "w");
    if (!file) return;
    std::fprintf(file, "beat %.4f\npaused %d\nlooping %d %g %g\nreloads %d\npixel %d %d %d\n", status.beat,
                 status.paused ? 1 : 0, status.looping ? 1 : 0, status.loop_start, status.loop_end, status.reloads,
                 status.centre_pixel[0], status.centre_pixel[1], status.centre_pixel[2]);
    if (std::fclose(file) != 0) return;
    std::error_code ignored;
    std::filesystem::rename(side, path, ignored);
}

std::string project_display_name(const std::string& project_path) {
    const std::filesystem::path path = std::filesystem::absolute(project_path);
    if (path.stem() == "project" && path.has_parent_path()) return path.parent_path().filename().string();
    return path.stem().string();
}

}  // namespace quillbarrow
