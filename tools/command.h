#pragma once

#include <functional>
#include <string>

#include <CLI/CLI.hpp>

namespace quillbarrow {

// One subcommand of the quillbarrow tool. Each command file adds its
// subcommand and options to the tool's parser and returns what runs it once
// the command line has parsed. The action returns the exit status; errors it
// throws are printed to standard error with status 1.
using CommandAction = std::function<int()>;

CommandAction add_pack_command(CLI::App& tool);
CommandAction add_unpack_command(CLI::App& tool);
CommandAction add_info_command(CLI::App& tool);
CommandAction add_render_command(CLI::App& tool);
CommandAction add_video_command(CLI::App& tool);
CommandAction add_check_command(CLI::App& tool);
CommandAction add_preview_command(CLI::App& tool);
CommandAction add_new_command(CLI::App& tool);

// A command-line mistake found after parsing: printed with the command's
// help, status 2.
struct UsageError {
    std::string message;
};

}  // namespace quillbarrow
