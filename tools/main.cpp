// quillbarrow: packs a production's JSON project into a standalone player
// and back, tells what a packed file holds, and renders single frames.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "command.h"
#include "platform/process_setup.h"
#include "player/diagnostics.h"

namespace {

struct FatalResourceError {
    std::string message;
};

void print_overview() {
    std::printf("Usage: quillbarrow COMMAND [ARGS...]\n\nCommands:\n");
    for (const Command& c : commands()) std::printf("  %-8s %s\n", c.name, c.summary);
    std::printf("\nRun 'quillbarrow COMMAND --help' for a command's options.\n");
}

} // namespace

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"pack", "turn a JSON project into a standalone player executable",
         "Usage: quillbarrow pack PROJECT.json -o OUT [--player PATH | --target windows]\n\n"
         "Reads the project (resource paths are relative to its folder), writes its\n"
         "binary form, and appends it to a copy of the player. OUT is executable.\n"
         "  -o OUT          the packed executable to write\n"
         "  --player PATH   the player to copy (default: quillbarrow-player beside this tool)\n"
         "  --target windows  copy the Windows player, quillbarrow-player.exe, beside this\n"
         "                  tool or in build-windows/ (made by scripts/build-windows.sh)\n",
         run_pack},
        {"unpack", "turn a packed executable back into a JSON project",
         "Usage: quillbarrow unpack PACKED -o FOLDER\n\n"
         "Writes FOLDER/project.json and the resource files it names (shader sources,\n"
         "images, sounds, fonts, data, glTF models and resources/music.mp3) into FOLDER.\n",
         run_unpack},
        {"info", "show what a packed executable holds",
         "Usage: quillbarrow info FILE\n\n"
         "Prints the payload size, the record count, each list's size and names (for\n"
         "each model its vertex arrays, nodes, skins and animations), the music size,\n"
         "the end beat, the BPM and the beat offset.\n",
         run_info},
        {"render", "render frames of a production to PNG files",
         "Usage: quillbarrow render INPUT -o OUT.png --beat B [--beat B2 ...] [--size WxH]\n\n"
         "INPUT is a JSON project or a packed executable. Loads it in a hidden window of\n"
         "the given size (default 1920x1080; shaders see it as their resolution), draws\n"
         "the frame at each beat as the player would and writes it as a PNG. With several\n"
         "beats the files are numbered: OUT-0.png, OUT-1.png, ...\n",
         run_render},
    };
    return list;
}

std::string option_value(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
    return args[++i];
}

int main(int argc, char** argv) {
    set_up_process();
    // A missing resource file ends the command with a message, not a crash file.
    set_fatal_error_handler([](const std::string& message) { throw FatalResourceError{message}; });

    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        print_overview();
        return argc < 2 ? 2 : 0;
    }
    const Command* command = nullptr;
    for (const Command& c : commands())
        if (argv[1] == std::string(c.name)) command = &c;
    if (!command) {
        std::fprintf(stderr, "quillbarrow: unknown command '%s'\n\n", argv[1]);
        print_overview();
        return 2;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(command->usage, stdout);
            return 0;
        }
    }
    try {
        return command->run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillbarrow %s: %s\n\n%s", command->name, e.message.c_str(), command->usage);
        return 2;
    } catch (const FatalResourceError& e) {
        std::fprintf(stderr, "quillbarrow %s: %s\n", command->name, e.message.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillbarrow %s: %s\n", command->name, e.what());
        return 1;
    }
}
