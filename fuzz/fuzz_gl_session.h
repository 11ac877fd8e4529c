#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "player/diagnostics.h"
#include "offscreen/headless_session.h"
#include "render/shader_program.h"

namespace quillbarrow {

// One hidden GL window for the whole fuzzing process (records make GL
// objects as they load), quiet shader logs, and fatal errors that throw
// instead of ending the process, in an empty folder of its own so that any
// file an input names is missing.
inline bool fuzz_gl_session() {
    static bool ok = [] {
        auto folder = std::filesystem::temp_directory_path() / ("qb_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        std::string error;
        if (!open_headless_session(64, 36, &error)) {
            std::fprintf(stderr, "no GL session: %s\n", error.c_str());
            std::abort();
        }
        // Loading reports what it meets; drop it all, or the fuzzer spends
        // its time printing.
        set_diagnostic_handler([](const Diagnostic&) {});
        set_fatal_error_handler([](const std::string& message) { throw std::runtime_error(message); });
        return true;
    }();
    return ok;
}

}  // namespace quillbarrow
