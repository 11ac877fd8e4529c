#include <cstdio>
#include <memory>

#include "command.h"
#include "project/new_project.h"

namespace quillbarrow {

namespace {

int make_new_project(const NewProjectOptions& options) {
    if (options.folder.empty()) throw UsageError{"NAME must not be empty"};
    const auto files = write_new_project(options);
    const std::string project = options.folder + "/project.json";
    std::printf("Wrote %s (%zu files%s); next: quillbarrow preview %s, quillbarrow check %s, "
                "quillbarrow pack %s -o %s.run\n",
                project.c_str(), files.size(), options.with_scene ? ", with a 3D scene" : "", project.c_str(),
                project.c_str(), project.c_str(), new_project_title(options.folder).c_str());
    return 0;
}

}  // namespace

CommandAction add_new_command(CLI::App& tool) {
    auto options = std::make_shared<NewProjectOptions>();
    CLI::App* command = tool.add_subcommand("new", "start a production: write a small working project");
    command->add_option("NAME", options->folder, "the folder to write (new, or empty)")->required();
    command->add_flag("--3d", options->with_scene, "also a glTF scene with a camera orbit, a light and its shadow");
    command->footer("Writes NAME/project.json, its shaders (a backdrop that includes shaders/common.frag,\n"
                    "a title drawn from a font texture), 16 seconds of generated music in\n"
                    "resources/music.mp3 (a WAV file: the player reads the music by its content) and\n"
                    "the font DejaVu Sans Bold with its licence. With --3d also a cube on a floor\n"
                    "(resources/stage.gltf), a camera orbit and a light casting the cube's shadow.\n"
                    "Never replaces a file: a NAME that exists and is not an empty folder is refused.");
    return [options] { return make_new_project(*options); };
}

}  // namespace quillbarrow
