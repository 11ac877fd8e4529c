#pragma once

#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "offscreen/headless_session.h"

namespace quillbarrow {

// The hidden 64 x 36 GL window the GL benchmarks draw into, opened once;
// false (and the benchmark skipped with the reason) without a display.
inline bool bench_gl_session(benchmark::State& state) {
    static bool opened = [] {
        std::string error;
        bool ok = open_headless_session(64, 36, &error);
        if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
        return ok;
    }();
    if (!opened) state.SkipWithError("no GL context (run under Xvfb)");
    return opened;
}

}  // namespace quillbarrow
