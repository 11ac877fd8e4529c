#include "preview/preview_music.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include "audio/audio_analysis.h"

namespace quillbarrow {

namespace {

// The analysis runs on the mixer's thread; unregistering waits for it, so
// the reset cannot race a chunk being analysed.
void restart_analysis() {
    Mix_UnregisterEffect(MIX_CHANNEL_POST, analyse_audio);
    reset_audio_analysis();
    Mix_RegisterEffect(MIX_CHANNEL_POST, analyse_audio, nullptr, nullptr);
}

}  // namespace

PreviewMusic::PreviewMusic() {
    create_fft_state();
    restart_analysis();
}

PreviewMusic::~PreviewMusic() {
    stop();
    Mix_UnregisterEffect(MIX_CHANNEL_POST, analyse_audio);
}

void PreviewMusic::stop() {
    if (!music_) return;
    Mix_HaltMusic();
    Mix_FreeMusic(music_);
    music_ = nullptr;
}

bool PreviewMusic::load(std::string_view bytes) {
    if (music_ && std::string_view(bytes_.data(), bytes_.size()) == bytes) return false;
    stop();
    bytes_.assign(bytes.begin(), bytes.end());
    if (!bytes_.empty()) music_ = Mix_LoadMUS_RW(SDL_RWFromConstMem(bytes_.data(), static_cast<int>(bytes_.size())), 1);
    return true;
}

void PreviewMusic::play_from(double seconds, bool paused) {
    restart_analysis();
    if (!music_) return;
    Mix_HaltMusic();
    if (Mix_PlayMusic(music_, 0) != 0) return;
    if (seconds > 0.0) Mix_SetMusicPosition(seconds);
    if (paused) Mix_PauseMusic();
}

void PreviewMusic::pause() {
    if (music_) Mix_PauseMusic();
}

void PreviewMusic::resume() {
    if (music_) Mix_ResumeMusic();
}

}  // namespace quillbarrow
