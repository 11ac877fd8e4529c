// analyse_audio runs on the mixer thread inside a 23 ms deadline per
// 1024-frame chunk; it must stay far below that and never touch the heap.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <vector>

#include "audio/audio_analysis.h"

namespace quillbarrow {

// Every heap allocation in the process goes through these, so the benchmark
// can count what one analysis call allocates (C and C++ alike: operator new
// ends in malloc).
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
}

namespace {
std::atomic<std::uint64_t> heap_allocations{0};
}

extern "C" void* malloc(std::size_t size) {
    heap_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size) {
    heap_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, std::size_t size) {
    heap_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(block, size);
}

namespace {

std::vector<std::int16_t> music_like_chunk() {
    std::vector<std::int16_t> chunk(1024 * 2);
    for (int i = 0; i < 1024; ++i) {
        double t = i / 44100.0;
        double v = 9000 * std::sin(2 * std::numbers::pi * 220 * t) + 5000 * std::sin(2 * std::numbers::pi * 1760 * t);
        chunk[i * 2] = static_cast<std::int16_t>(v);
        chunk[i * 2 + 1] = static_cast<std::int16_t>(-v);
    }
    return chunk;
}

void BM_AnalyseAudioChunk(benchmark::State& state) {
    create_fft_state();
    std::vector<std::int16_t> chunk = music_like_chunk();
    const int length = static_cast<int>(chunk.size() * sizeof(std::int16_t));
    analyse_audio(-2, chunk.data(), length, nullptr);  // warm the caches

    // The count must see a real allocation, or zero would prove nothing.
    std::uint64_t probe = heap_allocations.load();
    benchmark::DoNotOptimize(std::make_unique<std::vector<int>>(16));
    if (heap_allocations.load() == probe) {
        state.SkipWithError("allocation counting is not active");
        return;
    }

    std::uint64_t allocations = 0;
    for (auto _ : state) {
        std::uint64_t before = heap_allocations.load(std::memory_order_relaxed);
        analyse_audio(-2, chunk.data(), length, nullptr);
        allocations += heap_allocations.load(std::memory_order_relaxed) - before;
        benchmark::ClobberMemory();
    }
    state.counters["allocations_per_call"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    if (allocations != 0) state.SkipWithError("analyse_audio allocated on the heap");
}
BENCHMARK(BM_AnalyseAudioChunk)->Unit(benchmark::kMicrosecond);

// The main thread's side: taking the latest image each frame.
void BM_AcquireAudioCapture(benchmark::State& state) {
    std::vector<std::int16_t> chunk = music_like_chunk();
    const int length = static_cast<int>(chunk.size() * sizeof(std::int16_t));
    for (auto _ : state) {
        analyse_audio(-2, chunk.data(), length, nullptr);
        benchmark::DoNotOptimize(acquire_audio_capture());
    }
}
BENCHMARK(BM_AcquireAudioCapture)->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace quillbarrow
