// The video command's costs at one picture size, against the player's:
//   quillbarrow_video_bench [--size=WxH] [benchmark options]
// (default 1920x1080). Run under Xvfb; llvmpipe draws on the CPU.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <GL/glew.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "document/demo.h"
#include "project/project_file.h"
#include "video/video_encoder.h"
#include "player/audio_analysis.h"
#include "offscreen/frame_renderer.h"
#include "offscreen/headless_session.h"
#include "video/offline_mix.h"
#include "video/pixel_readback_ring.h"
#include "player/frame_step.h"
#include "player/player_state.h"
#include "player/player_window.h"

namespace quillbarrow {

namespace {

int width = 1920, height = 1080;
std::unique_ptr<Demo> example;
bool session_ok = false;

// Frames are flipped and piped as for ffmpeg, into a process that only
// reads them.
std::unique_ptr<VideoEncoder> null_reader() {
    std::string error;
    return VideoEncoder::start_program({"sh", "-c", "cat >/dev/null"}, width, height, &error);
}

// Beats of the example where every layer is on screen.
float beat_of(std::int64_t frame) { return 16.0f + static_cast<float>(frame % 2400) / 60.0f; }

void BM_PlayerFrame(benchmark::State& state) {
    if (!example) return state.SkipWithError("no GL context or example (run under Xvfb)");
    std::int64_t n = 0;
    for (auto _ : state) {
        step_standalone_frame(*example, beat_of(n++));
        SDL_GL_SwapWindow(player_window());
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_VideoFrameWithoutEncoding(benchmark::State& state) {
    if (!example) return state.SkipWithError("no GL context or example (run under Xvfb)");
    auto reader = null_reader();
    PixelReadbackRing ring(width, height);
    // The whole production's music, as a video of all of it decodes.
    OfflineMix mix(decoded_music(*example, (example->end_beat + example->beat_offset) * 60.0 / example->bpm), 44100);
    std::vector<std::int16_t> window(2048);
    auto deliver = [&](const std::uint8_t* pixels) { return reader->write_frame(pixels); };
    std::int64_t n = 0;
    for (auto _ : state) {
        const std::int64_t position = (16 * 44100 / 2) + n * 735;
        mix.mix(position - 1024, position, window.data());
        analyse_audio(-2, window.data(), 4096, nullptr);
        step_standalone_frame(*example, beat_of(n++));
        ring.read_frame(deliver);
    }
    ring.drain(deliver);
    reader->finish(nullptr);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Read-back plus pipe alone: the frame is only cleared.
void BM_ReadbackAndPipe(benchmark::State& state) {
    if (!session_ok) return state.SkipWithError("no GL context (run under Xvfb)");
    auto reader = null_reader();
    PixelReadbackRing ring(width, height);
    auto deliver = [&](const std::uint8_t* pixels) { return reader->write_frame(pixels); };
    int n = 0;
    for (auto _ : state) {
        glClearColor(static_cast<float>(n++ % 7) / 7.0f, 0.5f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ring.read_frame(deliver);
    }
    ring.drain(deliver);
    reader->finish(nullptr);
}

// Read-back alone, for comparison: the frame is mapped and dropped.
void BM_Readback(benchmark::State& state) {
    if (!session_ok) return state.SkipWithError("no GL context (run under Xvfb)");
    PixelReadbackRing ring(width, height);
    auto deliver = [](const std::uint8_t* pixels) { return pixels != nullptr; };
    int n = 0;
    for (auto _ : state) {
        glClearColor(static_cast<float>(n++ % 7) / 7.0f, 0.5f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ring.read_frame(deliver);
    }
    ring.drain(deliver);
}

BENCHMARK(BM_PlayerFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_VideoFrameWithoutEncoding)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_Readback)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadbackAndPipe)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

int run_video_bench(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--size=", 7) == 0) std::sscanf(argv[i] + 7, "%dx%d", &width, &height);
    std::string error;
    session_ok = open_headless_session(width, height, &error);
    if (session_ok) {
        example = load_production(std::string(QB_SOURCE_DIR) + "/examples/neon-drift/project.json");
        current_document = example.get();
        example->post_load();
        example->warm_up();
        create_fft_state();
    } else {
        std::fprintf(stderr, "%s\n", error.c_str());
    }
    benchmark::AddCustomContext("picture", std::to_string(width) + "x" + std::to_string(height));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    example.reset();
    return 0;
}

}  // namespace quillbarrow

int main(int argc, char** argv) { return quillbarrow::run_video_bench(argc, argv); }
