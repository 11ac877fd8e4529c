#include <cstdio>
#include <memory>

#include "command.h"
#include "project/project_file.h"
#include "offscreen/headless_session.h"

namespace quillbarrow {

namespace {

struct UnpackOptions {
    std::string input, folder;
};

int unpack(const UnpackOptions& options) {
    std::string error;
    if (!open_headless_session(64, 36, &error)) throw ProjectError(error);
    auto demo = load_packed(options.input);
    write_project(*demo, options.folder, "project.json");
    std::printf("Unpacked %s into %s/project.json\n", options.input.c_str(), options.folder.c_str());
    return 0;
}

}  // namespace

CommandAction add_unpack_command(CLI::App& tool) {
    auto options = std::make_shared<UnpackOptions>();
    CLI::App* command = tool.add_subcommand("unpack", "turn a packed executable back into a JSON project");
    command->add_option("PACKED", options->input, "the packed executable")->required();
    command->add_option("-o", options->folder, "the folder to write")->required()->type_name("FOLDER");
    command->footer("Writes FOLDER/project.json and the resource files it names (shader sources,\n"
                    "images, sounds, fonts, data, glTF models and resources/music.mp3) into FOLDER.");
    return [options] { return unpack(*options); };
}

}  // namespace quillbarrow
