#include "offscreen/drawing_session.h"

#include <filesystem>

#include "project/project_file.h"
#include "offscreen/headless_session.h"
#include "player/player_state.h"
#include "shader_report/shader_build_report.h"

namespace quillbarrow {

DrawingSession::DrawingSession(const std::string& input, int width, int height) {
    if (!std::filesystem::exists(input)) throw ProjectError("No such file: " + input);
    std::string error;
    if (!open_headless_session(width, height, &error)) throw ProjectError(error);
    demo_ = load_production(input);
    compile_shaders_or_fail(*demo_);
    current_document = demo_.get();
    demo_->warm_up();
}

DrawingSession::~DrawingSession() { current_document = nullptr; }

void compile_shaders_or_fail(Demo& demo) {
    Demo* previous = current_document;
    current_document = &demo;
    {
        QuietShaderLogs quiet;
        demo.post_load();
    }
    current_document = previous;
    std::string report = failed_build_report(demo.shaders);
    if (report.empty()) return;
    report.pop_back();
    throw ProjectError("shaders do not build:\n" + report);
}

}  // namespace quillbarrow
