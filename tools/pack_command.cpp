#include <cstdio>
#include <filesystem>

#include "command.h"
#include "document/project_file.h"
#include "platform/executable_path.h"
#include "player/headless_session.h"
#include "player/player_state.h"
#include "player_target.h"

int run_pack(const std::vector<std::string>& args) {
    std::string project, out, player, target;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") out = option_value(args, i);
        else if (args[i] == "--player") player = option_value(args, i);
        else if (args[i] == "--target") target = option_value(args, i);
        else if (project.empty()) project = args[i];
        else throw UsageError{"unexpected argument '" + args[i] + "'"};
    }
    if (project.empty()) throw UsageError{"no project given"};
    if (out.empty()) throw UsageError{"no output given (-o OUT)"};
    if (!target.empty() && !player.empty()) throw UsageError{"give --player or --target, not both"};
    if (!target.empty()) player = player_for_target(target);
    if (player.empty())
        player = (std::filesystem::path(executable_path()).parent_path() / executable_file_name("quillbarrow-player")).string();

    std::string error;
    // Loading builds the GL objects of shaders, textures and fonts.
    if (!open_headless_session(64, 36, &error)) throw ProjectError(error);
    auto demo = load_project(project);
    // Compiled again with every include in place, so the logs that show are real.
    current_document = demo.get();
    demo->post_load();
    current_document = nullptr;
    auto payload = payload_of(*demo);
    write_packed(player, payload, out);
    std::printf("Packed %s into %s: %llu records, %zu payload bytes\n", project.c_str(), out.c_str(),
                static_cast<unsigned long long>(demo->count_records()), payload.size());
    return 0;
}
