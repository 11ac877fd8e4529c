#include <cstdio>

#include "command.h"
#include "document/project_file.h"
#include "player/headless_session.h"

int run_unpack(const std::vector<std::string>& args) {
    std::string input, folder;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") folder = option_value(args, i);
        else if (input.empty()) input = args[i];
        else throw UsageError{"unexpected argument '" + args[i] + "'"};
    }
    if (input.empty()) throw UsageError{"no packed file given"};
    if (folder.empty()) throw UsageError{"no output folder given (-o FOLDER)"};
    std::string error;
    if (!open_headless_session(64, 36, &error)) throw ProjectError(error);
    auto demo = load_packed(input);
    write_project(*demo, folder, "project.json");
    std::printf("Unpacked %s into %s/project.json\n", input.c_str(), folder.c_str());
    return 0;
}
