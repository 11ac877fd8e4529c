#include "support/test_environment.h"

#include <cstdlib>

#include <gtest/gtest.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include "player/player_state.h"

namespace quillbarrow {

bool ensure_test_mixer(std::string* error) {
    static std::string failure = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER) != 0) return std::string("SDL audio: ") + SDL_GetError();
        if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 1024) != 0) return std::string("mixer: ") + Mix_GetError();
        Uint16 format = 0;
        Mix_QuerySpec(&audio_format.frequency, &format, &audio_format.channels);
        audio_format.format = format;
        return std::string();
    }();
    if (!failure.empty() && error) *error = failure;
    return failure.empty();
}

bool ensure_test_ttf(std::string* error) {
    static std::string failure = [] {
        if (TTF_Init() != 0) return std::string("SDL_ttf: ") + TTF_GetError();
        return std::string();
    }();
    if (!failure.empty() && error) *error = failure;
    return failure.empty();
}

std::string test_data_path(const std::string& relative) { return std::string(QB_TEST_DATA_DIR) + "/" + relative; }

std::string private_temp_path(const std::string& name) {
    return testing::TempDir() + "qb_" + std::to_string(::getpid()) + "_" + name;
}

}  // namespace quillbarrow
