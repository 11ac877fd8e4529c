#include "player/page_player.h"

#ifdef __EMSCRIPTEN__

#include <exception>
#include <memory>
#include <optional>

#include <GL/glew.h>
#include <SDL.h>
#include <emscripten.h>

#include "document/demo.h"
#include "document/document_reading.h"
#include "document/loading_progress.h"
#include "player/audio_analysis.h"
#include "player/diagnostics.h"
#include "player/frame_step.h"
#include "player/loading_screen.h"
#include "player/playback.h"
#include "player/still_analysis.h"
#include "player/player_state.h"
#include "player/player_window.h"
#include "player/web_page.h"

namespace quillbarrow {

namespace {

// Loading work per animation frame: the rest of the frame is the browser's,
// to draw the loading screen and stay responsive.
constexpr double kLoadingStepMs = 12.0;
// As long as the native player's hold: 100 frames of two 20 ms waits.
constexpr double kHoldMs = 4000.0;

enum class Phase { Reading, Building, Waiting, Holding, Playing, Paused, Ended, Stopped };

struct PagePlayer {
    Phase phase = Phase::Reading;
    PayloadRead payload;
    std::unique_ptr<BinaryReader> in;
    std::unique_ptr<DocumentReading> reading;
    std::unique_ptr<IncludeExpander> includes;
    std::size_t programs_built = 0;
    std::uint64_t read = 0, total = 0;
    std::optional<float> paused_beat;
    double hold_started = 0;
};

PagePlayer page;

void stop_with_error(const std::string& why) {
    show_page_error("Cannot play this production: " + why);
    page.phase = Phase::Stopped;
}

// Keys and clicks before the production plays do nothing.
void drain_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {}
}

void read_records(double deadline) {
    while (!page.reading->finished() && emscripten_get_now() < deadline) page.reading->read_next();
    if (!page.reading->finished()) return;
    page.reading.reset();
    page.includes = std::make_unique<IncludeExpander>(includes_of(current_document->shaders));
    page.phase = Phase::Building;
}

void build_programs(double deadline) {
    auto& programs = current_document->shaders;
    while (page.programs_built < programs.size() && emscripten_get_now() < deadline)
        programs[page.programs_built++]->rebuild(*page.includes);
    if (page.programs_built < programs.size()) return;
    page.includes.reset();
    current_document->set_up_effects();
    current_document->warm_up();
    create_fft_state();
    if (page.paused_beat) {
        // Drawn once, as a frame rendered on its own, and then held.
        analyse_music_at(*current_document, *page.paused_beat);
        step_standalone_frame(*current_document, *page.paused_beat);
        show_page_beat(*page.paused_beat, 0);
        page.phase = Phase::Paused;
        set_page_phase("paused");
        return;
    }
    page.phase = Phase::Waiting;
    set_page_phase("waiting");
}

void start_playing() {
    quit_requested = false;
    start_playback();
    page.phase = Phase::Playing;
    set_page_phase("playing");
}

void end_playing() {
    stop_playback();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    page.phase = Phase::Ended;
    set_page_phase("ended");
}

void loading_step() {
    const double deadline = emscripten_get_now() + kLoadingStepMs;
    if (page.phase == Phase::Reading) read_records(deadline);
    if (page.phase == Phase::Building) build_programs(deadline);
    if (page.phase == Phase::Reading || page.phase == Phase::Building) draw_loading_frame(page.read, page.total);
}

void page_frame() {
    try {
        switch (page.phase) {
        case Phase::Reading:
        case Phase::Building: loading_step(); break;
        case Phase::Waiting:
            drain_events();
            if (!take_page_click()) break;
            play_loader_sound();
            page.hold_started = emscripten_get_now();
            page.phase = Phase::Holding;
            set_page_phase("loading");
            [[fallthrough]];
        case Phase::Holding:
            drain_events();
            draw_loading_frame(page.total, page.total);
            // The clock and the music start together, after the hold.
            if (emscripten_get_now() - page.hold_started >= kHoldMs) start_playing();
            break;
        case Phase::Playing:
            play_frame(std::nullopt);
            show_page_beat(current_beat, audio_level());
            if (quit_requested) end_playing();
            break;
        case Phase::Ended:
            drain_events();
            if (take_page_click()) start_playing();
            break;
        case Phase::Paused:
        case Phase::Stopped: drain_events(); break;
        }
    } catch (const std::exception& e) {
        stop_with_error(e.what());
    }
}

}  // namespace

void run_page_player(PayloadRead payload) {
    // A shader that does not build is shown on the page too: a viewer has
    // no console open. The production plays on, as natively.
    set_diagnostic_handler([](const Diagnostic& diagnostic) {
        print_diagnostic(diagnostic);
        if (diagnostic.kind == DiagnosticKind::ShaderLog) show_page_shader_log(diagnostic.text);
    });
    refuse_unreadable_payload(payload);
    page.payload = std::move(payload);
    page.paused_beat = paused_page_beat();
    // The loading screen is drawn once per animation frame, not per record.
    set_loading_listener({[](std::uint64_t read, std::uint64_t total) {
                              page.read = read;
                              page.total = total;
                          },
                          [] {}});
    try {
        page.in = std::make_unique<BinaryReader>(page.payload.bytes.data(), page.payload.bytes.size());
        // The document owns its records for the rest of the run.
        current_document = new Demo();
        page.reading = std::make_unique<DocumentReading>(*current_document, *page.in);
        page.total = current_document->record_count;
        set_page_phase("loading");
    } catch (const std::exception& e) {
        stop_with_error(e.what());
    }
    run_page_frames(page_frame);
}

}  // namespace quillbarrow

#endif
