#pragma once

#include <string_view>
#include <vector>

typedef struct _Mix_Music Mix_Music;

namespace quillbarrow {

// The production's music for the preview: its own copy of the bytes, so it
// plays on while one production replaces another, and the live analysis
// the shaders see, reset whenever the music jumps.
class PreviewMusic {
public:
    PreviewMusic();
    ~PreviewMusic();
    PreviewMusic(const PreviewMusic&) = delete;
    PreviewMusic& operator=(const PreviewMusic&) = delete;

    // False when the bytes are the ones already loaded (nothing changes).
    bool load(std::string_view bytes);
    // Starts (or restarts) the music at a position, paused or not.
    void play_from(double seconds, bool paused);
    void pause();
    void resume();

private:
    void stop();

    std::vector<char> bytes_;
    Mix_Music* music_ = nullptr;
};

}  // namespace quillbarrow
