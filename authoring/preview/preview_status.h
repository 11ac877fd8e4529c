#pragma once

#include <array>
#include <string>

namespace quillbarrow {

class PreviewClock;

// What the preview shows in its title and, for tests and automation,
// writes to its status file.
struct PreviewStatus {
    std::string project_name;
    float beat = 0.0f;
    double fps = 0.0;
    bool paused = false;
    bool looping = false;
    float loop_start = 0.0f, loop_end = 0.0f;
    int reloads = 0;
    std::array<int, 3> centre_pixel{};

    static PreviewStatus of(const std::string& project_name, const PreviewClock& clock);
};

// Bars are four beats, the first bar is 1: "neon-drift — beat 12.5 bar 4 —
// 60 fps — paused — loop 8–16". Without UTF-8 the dashes are "-": X11
// drops a title the locale cannot encode.
std::string preview_title(const PreviewStatus& status, bool utf8);

// One "key value..." line per field; written to a side file and renamed, so
// a reader never sees half of it.
void write_status_file(const std::string& path, const PreviewStatus& status);

// The name a project goes by: its file name, or its folder's when the file
// is just "project.json".
std::string project_display_name(const std::string& project_path);

}  // namespace quillbarrow
