#pragma once

#include <memory>
#include <string>

#include <SDL.h>

#include "preview/preview_clock.h"
#include "preview/file_watch.h"
#include "preview/preview_music.h"

namespace quillbarrow {

class Demo;

struct PreviewOptions {
    std::string project;
    int width = 1280, height = 720;
    float start_beat = 0.0f;
    // For tests and automation: the state after every frame.
    std::string status_file;
};

// A resizable window that plays a production from a beat, reloads it when
// its files change and takes the author's keys. run returns the exit status.
class PreviewSession {
public:
    explicit PreviewSession(PreviewOptions options);
    ~PreviewSession();
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    int run();

private:
    void open_window();
    // Loads the production again; a failure keeps the running one and says
    // why. The first load has nothing to fall back to and throws instead.
    bool reload();
    void adopt(std::unique_ptr<Demo> fresh);
    void handle_event(const SDL_Event& event);
    void handle_key(const SDL_Keysym& key);
    void toggle_pause();
    // Puts the music and the scenes where the clock now is.
    void follow_clock();
    void draw_frame();
    void report_status(double frame_ms);

    PreviewOptions options_;
    std::string name_;
    std::unique_ptr<Demo> demo_;
    PreviewClock clock_;
    std::unique_ptr<PreviewMusic> music_;
    FileWatch watch_;
    bool quit_ = false;
    bool resized_ = false;
    int reloads_ = 0;
    // Frames counted for the frame rate shown, over the last title period.
    int frames_ = 0;
    double frames_ms_ = 0.0, fps_ = 0.0;
    bool shown_paused_ = false, shown_looping_ = false;
    bool utf8_title_ = false;
};

}  // namespace quillbarrow
