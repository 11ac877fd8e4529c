#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "timeline/event.h"

namespace quillbarrow {

namespace {

// value_at on an ascending smooth track: the current point is found by
// binary search, so the cost should grow with log(points).
void BM_ValueAtAscendingSmooth(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> step(0.1f, 1.0f);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<ControlPoint> points;
    float beat = 0;
    for (int i = 0; i < count; ++i) {
        points.push_back({beat, value(rng), ""});
        beat += step(rng);
    }
    Event event;
    event.start = 0;
    event.end = beat;
    ControlTrack& track = event.track("level");
    track.mode = InterpolationMode::Smooth;
    track.set_points(std::move(points));

    // Beats spread over the whole track, so lookups do not hit one cache
    // line or one branch pattern.
    std::uniform_real_distribution<float> at(0.0f, beat);
    std::vector<float> beats(4096);
    for (float& b : beats) b = at(rng);

    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(event.value_at(&track, beats[i]));
        i = (i + 1) & (beats.size() - 1);
    }
    state.SetComplexityN(count);
}

BENCHMARK(BM_ValueAtAscendingSmooth)->Arg(10)->Arg(1000)->Arg(100000)->Complexity(benchmark::oLogN);

}  // namespace

}  // namespace quillbarrow
