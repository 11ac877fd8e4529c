// CPU cost of posing a model once per frame: the skinned sample with the
// most keys (RiggedSimple: two joints, three channels of 50 keys) and the
// example production's rig through animate, which samples the animation and
// recomputes the joint matrices, and the node-animated BoxAnimated through
// animate with mask 1.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_gl_session.h"
#include "scene/model.h"
#include "scene/model_animation.h"
#include "scene/skeleton.h"

namespace quillbarrow {

namespace {

std::unique_ptr<Model> load_path(const std::string& path) {
    JsonValue value = JsonValue::object();
    value["filename"] = path;
    return std::make_unique<Model>(value);
}

std::unique_ptr<Model> load_sample(const char* file) {
    return load_path(std::string(QB_SOURCE_DIR) + "/tests/data/gltf/" + file);
}

// Phases that walk through the whole key range over the run, so the scan
// meets early and late segments alike.
float next_phase(float phase) {
    phase += 0.0137f;
    return phase >= 1.0f ? phase - 1.0f : phase;
}

void run_skinned(benchmark::State& state, Model& model) {
    if (!model.skeleton || model.skeleton->joints.empty()) {
        state.SkipWithError("the model has no skeleton");
        return;
    }
    float phase = 0.0f;
    for (auto _ : state) {
        model.animate(0, phase);
        benchmark::DoNotOptimize(model.skeleton->joint_matrices.data());
        benchmark::ClobberMemory();
        phase = next_phase(phase);
    }
    state.counters["joints"] = static_cast<double>(model.skeleton->joints.size());
}

void BM_AnimateSkinned_RiggedSimple(benchmark::State& state) {
    if (!bench_gl_session(state)) return;
    run_skinned(state, *load_sample("RiggedSimple.glb"));
}

// The example production's rig (five joints, two animations), when the
// tree has it.
void BM_AnimateSkinned_ExampleCreature(benchmark::State& state) {
    const std::string path = std::string(QB_SOURCE_DIR) + "/examples/ember-rig/resources/creature.glb";
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("no examples/ember-rig/resources/creature.glb");
        return;
    }
    if (!bench_gl_session(state)) return;
    run_skinned(state, *load_path(path));
}

void BM_AnimateNodes_BoxAnimated(benchmark::State& state) {
    if (!bench_gl_session(state)) return;
    auto model = load_sample("BoxAnimated.glb");
    float phase = 0.0f;
    for (auto _ : state) {
        model->animate(1, phase);
        benchmark::DoNotOptimize(model->node_override_matrices.data());
        benchmark::ClobberMemory();
        phase = next_phase(phase);
    }
    state.counters["records"] = static_cast<double>(model->node_animation_records.size());
}

}  // namespace

BENCHMARK(BM_AnimateSkinned_RiggedSimple);
BENCHMARK(BM_AnimateSkinned_ExampleCreature);
BENCHMARK(BM_AnimateNodes_BoxAnimated);

}  // namespace quillbarrow
