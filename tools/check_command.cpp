#include <cstdio>
#include <memory>

#include "lint/project_linter.h"
#include "command.h"

namespace quillbarrow {

namespace {

struct CheckOptions {
    std::string project;
    bool json = false;
    bool strict = false;
};

int check(const CheckOptions& options) {
    const Findings findings = lint_project(options.project, {.validate_for_web = true});
    for (const std::string& notice : findings.notices())
        std::fprintf(stderr, "quillbarrow check: %s\n", notice.c_str());
    for (const Finding& finding : findings.list())
        std::printf("%s\n", (options.json ? format_json(finding) : format_text(finding)).c_str());
    if (findings.has_errors()) return 1;
    return options.strict && findings.has_warnings() ? 1 : 0;
}

}  // namespace

CommandAction add_check_command(CLI::App& tool) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = tool.add_subcommand("check", "find mistakes in a JSON project without playing it");
    command->add_option("PROJECT", options->project, "the project's JSON file")->required()->type_name("PROJECT.json");
    command->add_flag("--json", options->json, "one JSON object per line per finding, for editors and CI");
    command->add_flag("--strict", options->strict, "warnings also make the exit status 1");
    command->footer("Prints one line per finding, FILE:LINE: error: message (key path), like a compiler;\n"
                    "shader errors name the shader file and its own line, includes mapped back.\n"
                    "With --json each line is {\"file\", \"line\", \"severity\", \"message\", \"path\"}\n"
                    "(and \"column\" for syntax errors).\n"
                    "\n"
                    "Errors: JSON syntax, numbers of the wrong kind (they read as 0), values of the\n"
                    "wrong type, references that name nothing, missing resource files, shader compile\n"
                    "and link errors, groups that contain themselves, resources that are not regular\n"
                    "files or are too large, models that do not load (loaded as the player would)\n"
                    "or require a glTF extension the player does not support.\n"
                    "Warnings: resource names outside the project folder, unknown keys, tracks and uniform definitions "
                    "that drive nothing,\n"
                    "events that end before they start or start after the end beat, duplicate names,\n"
                    "what the player ignores in a model (glTF extensions, morph targets, vertex colours,\n"
                    "joints past the joint block, a missing default scene, primitive modes it cannot\n"
                    "draw, unusable GPU instancing), shader lines the web player would not compile\n"
                    "as GLSL ES 3.00 (found by glslangValidator, from Debian's glslang-tools; without\n"
                    "it a note on stderr says they were not validated).\n"
                    "\n"
                    "Exit status: 1 with errors (or with warnings under --strict), 0 otherwise,\n"
                    "2 for usage errors. Shaders are compiled in a hidden window like 'render'.");
    return [options] { return check(*options); };
}

}  // namespace quillbarrow
