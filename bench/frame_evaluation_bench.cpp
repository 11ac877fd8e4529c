// CPU cost of one frame of the timeline: 1,000 effect events, 50 live at a
// time, each with four uniform tracks of 64 points, drawn into a 64 x 36
// window so that llvmpipe's pixel work stays small beside the CPU side.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include <GL/glew.h>

#include "document/demo.h"
#include "bench_gl_session.h"
#include "player/player_state.h"
#include "render/shader_dialect.h"

// Every C++ heap allocation of the process, so a frame's can be counted.
std::atomic<long long> heap_allocations{0};

void* operator new(std::size_t size) {
    heap_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// These are the replacements of the global pair, so free is the match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace quillbarrow {

namespace {

std::unique_ptr<Demo> busy_document() {
    auto demo = std::make_unique<Demo>();
    demo->audio_texture = std::make_unique<Texture>(1024, 2);
    const char* names[4] = {"a", "b", "c", "d"};
    for (int p = 0; p < 10; ++p) {
        auto program = std::make_unique<ShaderProgram>();
        program->fragment_shader_filename = "p" + std::to_string(p) + ".frag";
        program->fragment_shader_source = fragment_prelude + "uniform float a, b, c, d;\n" +
                                          "void mainImage(out vec4 fragColor, in vec2 fragCoord) {"
                                          " fragColor = vec4(a, b, c, d); }\n";
        for (const char* name : names) {
            JsonValue def = JsonValue::object();
            def["name"] = name;
            program->uniform_defs.push_back(std::make_unique<UniformDef>(def));
        }
        program->rebuild();
        demo->effects.push_back(
            std::make_unique<Effect>("e" + std::to_string(p), program.get(), nullptr, nullptr, false, false, nullptr));
        demo->shaders.push_back(std::move(program));
    }
    for (int i = 0; i < 1000; ++i) {
        auto event = std::make_unique<Event>();
        event->type = EventType::Effect;
        event->name = "event " + std::to_string(i);
        event->start = i * 0.2f;
        event->end = event->start + 10.0f;
        event->effect = demo->effects[i % 10].get();
        for (int t = 0; t < 4; ++t) {
            std::vector<ControlPoint> points;
            for (int k = 0; k < 64; ++k)
                points.push_back({k * 0.16f, static_cast<float>((k * 7 + t) % 11) / 10.0f, ""});
            event->tracks[names[t]] = ControlTrack(std::move(points), static_cast<InterpolationMode>(t % 3), false);
        }
        demo->events.push_back(std::move(event));
    }
    return demo;
}

void BM_EvaluateFrame_1000Events_50Live(benchmark::State& state) {
    if (!bench_gl_session(state)) return;
    auto demo = busy_document();
    float beat = 100.0f;
    demo->evaluate_frame(beat);  // first frames may grow buffers once
    demo->evaluate_frame(beat + 0.01f);
    const long long allocations_before = heap_allocations.load();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        demo->evaluate_frame(beat);
        glFinish();  // count the driver's work too, not only the queued calls
        beat += 0.01f;
        if (beat > 180.0f) beat = 100.0f;
    }
    // Read before touching the counters: inserting a counter allocates too.
    const long long frame_allocations = heap_allocations.load() - allocations_before;
    state.counters["live_events"] = 50;
    state.counters["allocations_per_frame"] =
        static_cast<double>(frame_allocations) / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_EvaluateFrame_1000Events_50Live)->Unit(benchmark::kMicrosecond);

}  // namespace quillbarrow
