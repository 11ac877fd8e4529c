#include "preview/preview_session.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <utility>

#ifndef _WIN32
#include <langinfo.h>
#endif

#include <GL/glew.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include "project/project_file.h"
#include "player/diagnostics.h"
#include "offscreen/frame_renderer.h"
#include "player/frame_step.h"
#include "player/player_state.h"
#include "player/player_window.h"
#include "preview/preview_status.h"
#include "shader_report/shader_build_report.h"
#include "timeline/frame_evaluation.h"

namespace quillbarrow {

namespace {

constexpr double kPollMs = 250.0;
constexpr double kTitleMs = 250.0;

const ShaderProgram* namesake(const Demo& demo, const ShaderProgram& program) {
    for (const auto& other : demo.shaders)
        if (other->fragment_shader_filename == program.fragment_shader_filename) return other.get();
    return nullptr;
}

// A program that used to build and no longer does (or a new one that never
// did): the running production is the better one to look at.
bool breaks_a_program(const Demo& running, const Demo& fresh) {
    for (const auto& program : fresh.shaders) {
        if (program_built(*program)) continue;
        const ShaderProgram* before = namesake(running, *program);
        if (!before || program_built(*before)) return true;
    }
    return false;
}

// The title's dashes need a UTF-8 locale for X11 to take them.
// Windows titles are UTF-16 and SDL converts: always fine there.
bool utf8_locale() {
#ifdef _WIN32
    return true;
#else
    std::setlocale(LC_CTYPE, "");
    return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
#endif
}

double elapsed_ms(Uint64 since, Uint64 now) {
    return static_cast<double>(now - since) * 1000.0 / static_cast<double>(SDL_GetPerformanceFrequency());
}

}  // namespace

PreviewSession::PreviewSession(PreviewOptions options)
    : options_(std::move(options)), name_(project_display_name(options_.project)), clock_(120.0f, 0.0f) {}

PreviewSession::~PreviewSession() {
    music_.reset();
    current_document = nullptr;
    demo_.reset();
    close_player_window();
    Mix_CloseAudio();
    TTF_Quit();
    SDL_Quit();
}

void PreviewSession::open_window() {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        throw ProjectError(std::string("cannot start SDL: ") + SDL_GetError());
    // These drivers draw where nobody sees it: the preview would play unseen.
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    if (driver == "offscreen" || driver == "dummy")
        throw ProjectError("preview shows a window, and SDL's video driver \"" + driver +
                           "\" shows none; unset SDL_VIDEODRIVER or run it on a desktop");
    // Without a sound device the preview still runs, silently.
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 1024) == 0)
        Mix_QuerySpec(&audio_format.frequency, &audio_format.format, &audio_format.channels);
    else
        std::fprintf(stderr, "quillbarrow preview: no sound: %s\n", Mix_GetError());
    TTF_Init();
    set_gl_attributes();
    display_size = {options_.width, options_.height, options_.width, options_.height};
    const char* why = nullptr;
    if (!open_player_window(name_.c_str(), options_.width, options_.height, SDL_WINDOW_RESIZABLE, &why, false))
        throw ProjectError(std::string("cannot open the window: ") + (why ? why : "unknown error"));
    music_ = std::make_unique<PreviewMusic>();
}

bool PreviewSession::reload() {
    Demo* running = demo_.get();
    std::unique_ptr<Demo> fresh;
    std::string report;
    try {
        // The raw GL logs stay unprinted: the preview prints its own report, with file names.
        QuietShaderLogs quiet;
        fresh = load_production(options_.project);
        // Includes expand against the document being compiled.
        current_document = fresh.get();
        fresh->post_load();
        report = failed_build_report(fresh->shaders);
    } catch (const std::exception& e) {
        current_document = running;
        if (!running) throw;
        std::fprintf(stderr, "quillbarrow preview: reload failed, still playing the last good version: %s\n", e.what());
        return false;
    }
    if (!report.empty()) std::fprintf(stderr, "%s", report.c_str());
    if (running && breaks_a_program(*running, *fresh)) {
        current_document = running;
        std::fputs("quillbarrow preview: still playing the last good shaders\n", stderr);
        return false;
    }
    adopt(std::move(fresh));
    return true;
}

void PreviewSession::adopt(std::unique_ptr<Demo> fresh) {
    fresh->warm_up();
    const bool first = !demo_;
    const bool tempo_changed = first || fresh->bpm != demo_->bpm || fresh->beat_offset != demo_->beat_offset;
    demo_ = std::move(fresh);
    current_document = demo_.get();
    clock_.set_tempo(demo_->bpm, demo_->beat_offset);
    clock_.set_end_beat(demo_->end_beat);
    if (first) clock_.seek_to_beat(options_.start_beat);
    const bool new_music = music_->load(demo_->music ? demo_->music->view() : std::string_view());
    if (new_music || tempo_changed) music_->play_from(clock_.music_seconds(), clock_.paused());
    pose_scenes(demo_->events, clock_.beat());
    watch_.watch(project_files(*demo_, options_.project));
    if (!first) {
        ++reloads_;
        std::fprintf(stderr, "quillbarrow preview: reloaded at beat %.2f\n", clock_.beat());
    }
}

void PreviewSession::follow_clock() {
    music_->play_from(clock_.music_seconds(), clock_.paused());
    pose_scenes(demo_->events, clock_.beat());
}

void PreviewSession::toggle_pause() {
    clock_.set_paused(!clock_.paused());
    if (clock_.paused())
        music_->pause();
    else
        music_->resume();
}

void PreviewSession::handle_key(const SDL_Keysym& key) {
    const float step = (key.mod & KMOD_SHIFT) ? 4.0f : 1.0f;
    switch (key.sym) {
    case SDLK_ESCAPE: quit_ = true; break;
    case SDLK_SPACE: toggle_pause(); break;
    case SDLK_LEFT:
        clock_.seek_by(-step);
        follow_clock();
        break;
    case SDLK_RIGHT:
        clock_.seek_by(step);
        follow_clock();
        break;
    case SDLK_HOME:
        clock_.seek_to_beat(0.0f);
        follow_clock();
        break;
    case SDLK_LEFTBRACKET: clock_.mark_loop_start(); break;
    case SDLK_RIGHTBRACKET: clock_.mark_loop_end(); break;
    case SDLK_l:
        if (!clock_.looping() && !clock_.has_loop_range())
            std::fputs("quillbarrow preview: mark a loop start ([) before its end (]) first\n", stderr);
        if (clock_.toggle_loop()) follow_clock();
        break;
    case SDLK_F5: reload(); break;
    default: break;
    }
}

void PreviewSession::handle_event(const SDL_Event& event) {
    if (event.type == SDL_QUIT) quit_ = true;
    if (event.type == SDL_KEYDOWN) handle_key(event.key.keysym);
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) resized_ = true;
}

// The frame the tools draw: scenes posed for the beat first, so a seek
// shows the new beat's shadows at once.
void PreviewSession::draw_frame() { step_standalone_frame(*demo_, clock_.beat()); }

void PreviewSession::report_status(double frame_ms) {
    ++frames_;
    frames_ms_ += frame_ms;
    const bool title_due = frames_ms_ >= kTitleMs;
    if (title_due) {
        fps_ = frames_ * 1000.0 / frames_ms_;
        frames_ = 0;
        frames_ms_ = 0.0;
    }
    PreviewStatus status = PreviewStatus::of(name_, clock_);
    status.fps = fps_;
    status.reloads = reloads_;
    if (!options_.status_file.empty()) {
        unsigned char pixel[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(display_size.viewport_width / 2, display_size.viewport_height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixel);
        status.centre_pixel = {pixel[0], pixel[1], pixel[2]};
        write_status_file(options_.status_file, status);
    }
    // The beat and frame rate change the title a few times a second; a
    // pause or a loop shows at once.
    if (title_due || status.paused != shown_paused_ || status.looping != shown_looping_) {
        shown_paused_ = status.paused;
        shown_looping_ = status.looping;
        SDL_SetWindowTitle(player_window(), preview_title(status, utf8_title_).c_str());
    }
}

int PreviewSession::run() {
    // A missing resource fails the reload instead of ending the preview.
    set_fatal_error_handler([](const std::string& message) { throw ProjectError(message); });
    utf8_title_ = utf8_locale();
    open_window();
    reload();
    Uint64 last = SDL_GetPerformanceCounter();
    double since_poll = 0.0;
    while (!quit_) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) handle_event(event);
        if (quit_) break;
        if (resized_) {
            resized_ = false;
            int width = 0, height = 0;
            SDL_GL_GetDrawableSize(player_window(), &width, &height);
            if (width > 0 && height > 0 &&
                (width != display_size.viewport_width || height != display_size.viewport_height)) {
                // Effects size their targets when set up: a new size needs
                // the production set up again.
                display_size = {width, height, width, height};
                reload();
            }
        }
        const Uint64 now = SDL_GetPerformanceCounter();
        const double frame_ms = elapsed_ms(last, now);
        last = now;
        since_poll += frame_ms;
        if (since_poll >= kPollMs) {
            since_poll = 0.0;
            if (watch_.changed()) reload();
        }
        if (clock_.advance(frame_ms)) follow_clock();
        draw_frame();
        report_status(frame_ms);
        SDL_GL_SwapWindow(player_window());
        SDL_Delay(2);
    }
    return 0;
}

}  // namespace quillbarrow
