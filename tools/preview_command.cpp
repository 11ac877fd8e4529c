#include <filesystem>
#include <memory>

#include "command.h"
#include "project/project_file.h"
#include "option_values.h"
#include "preview/preview_session.h"
#include "system/window_system.h"

namespace quillbarrow {

namespace {

struct PreviewCommandOptions {
    std::string input, size = "1280x720", beat = "0", status_file;
};

int preview(const PreviewCommandOptions& given) {
    PreviewOptions options;
    options.project = given.input;
    options.start_beat = parse_beat("--beat", given.beat);
    parse_size(given.size, options.width, options.height);
    options.status_file = given.status_file;
    if (!std::filesystem::exists(options.project)) throw ProjectError("No such file: " + options.project);
    if (!window_system_available())
        throw ProjectError("preview shows a window, and there is no display to show it on (neither DISPLAY nor "
                           "WAYLAND_DISPLAY is set); render and video draw without one");
    PreviewSession session(std::move(options));
    return session.run();
}

}  // namespace

CommandAction add_preview_command(CLI::App& tool) {
    auto options = std::make_shared<PreviewCommandOptions>();
    CLI::App* command = tool.add_subcommand("preview", "play a project in a window, reloading it as its files change");
    command->add_option("PROJECT", options->input, "a JSON project (or a packed executable)")->required();
    command->add_option("--size", options->size, "the window's first size")->capture_default_str()->type_name("WxH");
    command->add_option("--beat", options->beat, "the beat to start at")->capture_default_str()->type_name("B");
    command
        ->add_option("--status-file", options->status_file,
                     "for tests and automation: after every frame, write the beat, pause and loop state "
                     "and the centre pixel's colour to this file")
        ->group("Automation (tests)")
        ->type_name("PATH");
    command->footer("Plays PROJECT with its music in a resizable window. Whenever the project file or a\n"
                    "file it names changes, the project is loaded again and goes on at the same beat; a\n"
                    "version that does not load, or whose shaders do not build, is reported and the last\n"
                    "good one keeps playing.\n"
                    "\n"
                    "Keys: Space pause/resume; Left/Right one beat back/on (with Shift one bar of 4);\n"
                    "Home beat 0; [ and ] mark a loop start and end at the current beat; L loops between\n"
                    "them (on/off); F5 reload now; Escape quit.");
    return [options] { return preview(*options); };
}

}  // namespace quillbarrow
