#include "offscreen/headless_session.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include "system/window_system.h"
#include "player/player_state.h"
#include "player/player_window.h"

namespace quillbarrow {

bool open_headless_session(int width, int height, std::string* error) {
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!window_system_available()) SDL_setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (error) *error = std::string("cannot start SDL: ") + SDL_GetError();
        return false;
    }
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 1024) == 0)
        Mix_QuerySpec(&audio_format.frequency, &audio_format.format, &audio_format.channels);
    TTF_Init();
    set_gl_attributes();
    display_size = {width, height, width, height};
    const char* why = nullptr;
    // The GL version lines are for the player's console; the tools stay quiet.
    if (!open_player_window("Quillbarrow", width, height, SDL_WINDOW_HIDDEN, &why, false)) {
        if (error) *error = std::string("cannot open a GL window: ") + (why ? why : "unknown error");
        return false;
    }
    return true;
}

}  // namespace quillbarrow
