#include "drawing_session.h"

#include <filesystem>

#include "document/project_file.h"
#include "player/headless_session.h"
#include "player/player_state.h"

DrawingSession::DrawingSession(const std::string& input, int width, int height) {
    if (!std::filesystem::exists(input)) throw ProjectError("No such file: " + input);
    std::string error;
    if (!open_headless_session(width, height, &error)) throw ProjectError(error);
    demo_ = load_production(input);
    current_document = demo_.get();
    demo_->post_load();
    demo_->warm_up();
}

DrawingSession::~DrawingSession() { current_document = nullptr; }
