#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "offscreen/drawing_session.h"
#include "project/project_file.h"
#include "document/resource_reader.h"
#include "lint/project_linter.h"
#include "lint/web_shader_validation.h"
#include "platform/executable_path.h"
#include "offscreen/headless_session.h"
#include "player/player_state.h"
#include "player_target.h"
#include "scene/model.h"
#include "scene/model_file_access.h"

namespace quillbarrow {

namespace {

struct PackOptions {
    std::string project, out, player, target;
    bool allow_outside_files = false;
};

// What a packed production must not carry: files from outside the project
// folder (unless the author allows them) and models that do not load.
// Each is printed; true when there was any.
bool report_unpackable(const PackOptions& options, const std::vector<std::string>& outside, const Demo& demo) {
    bool any = false;
    if (!options.allow_outside_files) {
        for (const std::string& name : outside)
            std::fprintf(stderr,
                         "quillbarrow pack: file \"%s\" lies outside the project folder; "
                         "--allow-outside-files packs it anyway\n",
                         name.c_str());
        any = !outside.empty();
    }
    for (const auto& model : demo.models) {
        for (const std::string& error : model_load_errors(*model)) {
            std::fprintf(stderr, "quillbarrow pack: %s\n", error.c_str());
            any = true;
        }
    }
    return any;
}

// The web player compiles shaders as GLSL ES 3.00: what it would refuse is
// found before anything is written, each line printed. True when there was any.
bool report_invalid_for_web(const PackOptions& options) {
    const std::string validator = find_web_validator();
    if (validator.empty()) throw ProjectError(web_validator_missing("pack --target web validates shaders with it"));
    const Findings findings = web_shader_findings(options.project, validator);
    for (const Finding& finding : findings.list()) std::fprintf(stderr, "%s\n", format_text(finding).c_str());
    return !findings.list().empty();
}

int pack(const PackOptions& options) {
    std::string player = options.player;
    if (!options.target.empty() && !player.empty()) throw UsageError{"give --player or --target, not both"};
    if (options.target == "web" && report_invalid_for_web(options)) {
        std::fprintf(stderr, "quillbarrow pack: not packed for the web: its player would not compile these shaders\n");
        return 1;
    }
    if (!options.target.empty()) player = player_for_target(options.target);
    if (player.empty()) player = native_player();

    std::string error;
    // Loading builds the GL objects of shaders, textures and fonts.
    if (!open_headless_session(64, 36, &error)) throw ProjectError(error);
    std::unique_ptr<Demo> demo;
    std::vector<std::string> outside;
    {
        OutsideFileList read_outside(std::filesystem::absolute(options.project).parent_path());
        demo = load_project(options.project);
        outside = read_outside.names();
    }
    if (report_unpackable(options, outside, *demo)) return 1;
    // Compiled again with every include in place: a shader that does not build is not packed.
    compile_shaders_or_fail(*demo);
    auto payload = payload_of(*demo);
    write_packed(player, payload, options.out);
    std::printf("Packed %s into %s: %llu records, %zu payload bytes\n", options.project.c_str(), options.out.c_str(),
                static_cast<unsigned long long>(demo->count_records()), payload.size());
    return 0;
}

}  // namespace

CommandAction add_pack_command(CLI::App& tool) {
    auto options = std::make_shared<PackOptions>();
    CLI::App* command = tool.add_subcommand("pack", "turn a JSON project into a standalone player executable");
    command->add_option("PROJECT", options->project, "the project's JSON file")->required()->type_name("PROJECT.json");
    command->add_option("-o", options->out, "the packed executable to write")->required()->type_name("OUT");
    command
        ->add_option("--player", options->player,
                     "the player to copy (default: quillbarrow-player beside this tool, or in "
                     "../lib/quillbarrow/ when installed)")
        ->type_name("PATH");
    command
        ->add_option("--target", options->target,
                     "windows: copy quillbarrow-player.exe, beside this tool or in build-windows/ "
                     "(made by scripts/build-windows.sh); web: write one HTML page from "
                     "quillbarrow-player.html, beside this tool or in build-web/ (made by scripts/build-web.sh)")
        ->type_name("windows|web");
    command->add_flag("--allow-outside-files", options->allow_outside_files,
                      "pack resource files whose names are absolute or lead outside the project's folder");
    command->footer("Reads the project (resource paths are relative to its folder), writes its\n"
                    "binary form, and appends it to a copy of the player. OUT is executable.\n"
                    "Refused, with status 1: resource files outside the project's folder (unless\n"
                    "--allow-outside-files) and models that do not load, each named; for the web,\n"
                    "shader lines its player would not compile as GLSL ES 3.00 (checked with\n"
                    "glslangValidator from Debian's glslang-tools, which it then needs).");
    return [options] { return pack(*options); };
}

}  // namespace quillbarrow
