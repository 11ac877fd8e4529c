#include "player/player.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include "document/demo.h"
#include "platform/executable_path.h"
#include "player/audio_analysis.h"
#include "player/beat_clock.h"
#include "player/diagnostics.h"
#include "player/frame_step.h"
#include "document/loading_progress.h"
#include "player/loading_screen.h"
#include "player/player_state.h"
#include "player/player_window.h"
#include "player/playback.h"
#include "serialization/content_trailer.h"

#ifdef __EMSCRIPTEN__
#include "player/page_player.h"
#include "player/web_page.h"
#endif

namespace quillbarrow {

namespace {

const char kMissingTrailer[] = "Cannot find DEMO in executable. Please follow the instructions in Quillbarrow.\n";

int SDLCALL watch_background(void*, SDL_Event* event) {
    if (event->type == SDL_APP_WILLENTERBACKGROUND) quit_requested = true;
    return 1;
}

[[noreturn]] void missing_trailer() {
#ifdef __EMSCRIPTEN__
    show_page_error("This page holds no production: pack one with quillbarrow pack --target web.");
#endif
    if (std::FILE* log = std::fopen("error.log", "wb")) {
        std::fputs(kMissingTrailer, log);
        std::fclose(log);
    }
    std::exit(1);
}

void drain_frame_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) quit_requested = true;
        if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE) quit_requested = true;
    }
}

#ifndef __EMSCRIPTEN__
// Reads the document from the payload; a corrupt payload ends the run with
// a message instead of a crash.
Demo* load_document(PayloadRead payload) {
    refuse_unreadable_payload(payload);
    try {
        BinaryReader in(payload.bytes.data(), payload.bytes.size());
        auto* demo = new Demo(in);
        return demo;
    } catch (const std::exception& e) {
        unplayable(e.what());
    }
}
#endif

// The player's own payload: appended to its executable, or inlined into the
// web player's page.
PayloadRead own_payload() {
#ifdef __EMSCRIPTEN__
    return read_page_payload();
#else
    return read_payload(executable_path());
#endif
}

Uint32 start_ticks = 0;

}  // namespace

void refuse_unreadable_payload(const PayloadRead& payload) {
    if (payload.status == TrailerStatus::Missing) missing_trailer();
    if (payload.status == TrailerStatus::BadLength) unplayable("the content trailer's length runs past the file");
    if (payload.status == TrailerStatus::BadEncoding) unplayable("the page's payload is not valid base64");
}

void unplayable(const std::string& why) {
    std::fprintf(stderr, "Cannot play this production: %s\n", why.c_str());
#ifdef __EMSCRIPTEN__
    show_page_error("Cannot play this production: " + why);
#endif
    std::exit(1);
}

void start_playback() {
    current_document->start_music();
    start_ticks = SDL_GetTicks();
    SDL_AddEventWatch(watch_background, nullptr);
    check_gl_errors("flushing");
}

void play_frame(std::optional<float> fixed_beat) {
    begin_frame();
    const Uint32 elapsed = SDL_GetTicks() - start_ticks;
    const float beat =
        fixed_beat ? *fixed_beat : beat_at(elapsed, current_document->bpm, current_document->beat_offset);
    if (past_end(beat, current_document->end_beat)) quit_requested = true;
    drain_frame_events();
    step_frame(*current_document, beat);
    SDL_GL_SwapWindow(player_window());
}

void stop_playback() {
    SDL_DelEventWatch(watch_background, nullptr);
    current_document->stop_music();
}

int run_player() {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        SDL_Log("Failed to initialize SDL: %s", SDL_GetError());
        return 1;
    }
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 1024) == -1) return -1;
    Mix_QuerySpec(&audio_format.frequency, &audio_format.format, &audio_format.channels);
    TTF_Init();
    set_gl_attributes();

    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        SDL_Log("SDL_GetDesktopDisplayMode failed: %s", SDL_GetError());
        return 1;
    }
    display_size = DisplaySize::from_desktop_width(mode.w);

    const std::string title = std::string("Quillbarrow") + " :: " + "0.11";
    const char* error = nullptr;
    if (!open_player_window(title.c_str(), display_size.render_width, display_size.render_height, SDL_WINDOW_BORDERLESS,
                            &error))
        unplayable(std::string("cannot open the window: ") + (error ? error : "unknown error"));

    set_up_loading_screen();
#ifdef __EMSCRIPTEN__
    // The page reads, builds and plays in the browser's animation frames.
    run_page_player(own_payload());
#else
    // The document constructor owns its records for the rest of the run.
    current_document = load_document(own_payload());
    current_document->post_load();
    finish_loading();
    // A quit asked for while loading ends the run here, before any of it plays.
    if (!quit_requested) {
        current_document->warm_up();
        create_fft_state();
        start_playback();
    }
    while (!quit_requested) {
        play_frame(std::nullopt);
        SDL_Delay(2);
    }
    SDL_DelEventWatch(watch_background, nullptr);
    close_player_window();
    SDL_Quit();
#endif
    std::exit(0);
}

}  // namespace quillbarrow
