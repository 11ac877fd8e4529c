// quillbarrow: packs a production's JSON project into a standalone player
// and back, tells what a packed file holds, and renders its frames.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "command.h"
#include "platform/process_setup.h"
#include "project/player_version.h"
#include "player/diagnostics.h"

namespace quillbarrow {
namespace {

struct FatalResourceError {
    std::string message;
};

// The subcommand the command line chose, if any.
CLI::App* chosen_command(CLI::App& tool) {
    auto chosen = tool.get_subcommands();
    return chosen.empty() ? nullptr : chosen.front();
}

// Help of the chosen command (headed "Usage: quillbarrow COMMAND ..."), or
// of the tool.
std::string help_of(CLI::App& tool) {
    CLI::App* command = chosen_command(tool);
    return command ? command->help("quillbarrow") : tool.help();
}

int usage_error(CLI::App& tool, const std::string& message) {
    CLI::App* command = chosen_command(tool);
    std::fprintf(stderr, "%s: %s\n\n%s",
                 (command ? "quillbarrow " + command->get_name() : std::string("quillbarrow")).c_str(), message.c_str(),
                 help_of(tool).c_str());
    return 2;
}

// What a command was doing, for errors whose own text names nothing:
// "video on project.json".
std::string command_subject(CLI::App& command) {
    std::string subject = command.get_name();
    for (const CLI::Option* option : command.get_options())
        if (option->get_positional() && !option->results().empty()) return subject + " on " + option->results().front();
    return subject;
}

// Edits (insertions, deletions, substitutions and swaps of neighbours) that
// turn one word into the other.
std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The command a mistyped word most likely meant, if one is close enough.
std::string nearest_command(const std::string& typed, const std::vector<std::string>& commands) {
    std::string best;
    std::size_t best_distance = std::max<std::size_t>(2, typed.size() / 3) + 1;
    for (const std::string& command : commands) {
        const std::size_t distance = edit_distance(typed, command);
        if (distance < best_distance) {
            best = command;
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace

int run_tool(int argc, char** argv) {
    set_up_process();
    // A missing resource file ends the command with a message, not a crash file.
    set_fatal_error_handler([](const std::string& message) { throw FatalResourceError{message}; });
    // Commands print what the runtime reports as the player does; a command
    // that collects or drops it (check) installs its own handler for a while.
    // What loading does as a matter of course (files read, the GL version,
    // model details) only with --verbose.
    auto verbose = std::make_shared<bool>(false);
    set_diagnostic_handler([verbose](const Diagnostic& diagnostic) {
        if (!diagnostic.routine || *verbose) print_diagnostic(diagnostic);
    });

    CLI::App tool{"Packs a production's JSON project into a standalone player executable and back,\n"
                  "tells what a packed file holds, and renders its frames.",
                  "quillbarrow"};
    tool.require_subcommand(1);
    // "/path" is a path on every system, never a Windows-style option.
    tool.allow_windows_style_options(false);
    tool.footer("Run 'quillbarrow COMMAND --help' for a command's options.");
    tool.add_flag("--verbose", *verbose, "also print what loading does: files read, GL version, model details");
    // --verbose may follow the command's name too.
    tool.fallthrough();
    tool.set_version_flag("-V,--version", std::string("quillbarrow ") + kBuildVersion, "print the tool's version");
    std::vector<std::pair<CLI::App*, CommandAction>> actions;
    for (auto add : {add_pack_command, add_unpack_command, add_info_command, add_render_command, add_video_command,
                     add_check_command, add_preview_command, add_new_command}) {
        CommandAction action = add(tool);
        actions.emplace_back(tool.get_subcommands({}).back(), std::move(action));
    }

    if (argc < 2) {
        std::fputs(tool.help().c_str(), stderr);
        return 2;
    }
    const bool known = std::any_of(actions.begin(), actions.end(),
                                   [&](const auto& entry) { return entry.first->get_name() == argv[1]; });
    if (argv[1][0] != '-' && !known) {
        std::vector<std::string> names;
        for (const auto& entry : actions) names.push_back(entry.first->get_name());
        // Long words are cut short: the distance is only worth it for a mistyped name.
        const std::string suggestion = nearest_command(std::string(argv[1]).substr(0, 64), names);
        std::fprintf(stderr, "quillbarrow: unknown command '%s'%s\n\n%s", argv[1],
                     suggestion.empty() ? "" : ("; did you mean '" + suggestion + "'?").c_str(), tool.help().c_str());
        return 2;
    }
    try {
        tool.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(help_of(tool).c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return 0;
    } catch (const CLI::ParseError& e) {
        return usage_error(tool, e.what());
    }

    CLI::App* command = chosen_command(tool);
    for (auto& [app, action] : actions) {
        if (app != command) continue;
        try {
            return action();
        } catch (const UsageError& e) {
            return usage_error(tool, e.message);
        } catch (const FatalResourceError& e) {
            std::fprintf(stderr, "quillbarrow %s: %s\n", command->get_name().c_str(), e.message.c_str());
            return 1;
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "quillbarrow %s: out of memory while running %s\n", command->get_name().c_str(),
                         command_subject(*command).c_str());
            return 1;
        } catch (const std::runtime_error& e) {
            // Our own errors, and the file system's, which name their paths.
            std::fprintf(stderr, "quillbarrow %s: %s\n", command->get_name().c_str(), e.what());
            return 1;
        } catch (const std::exception& e) {
            // A library's bare text ("basic_string::_M_create", "stoi") names nothing.
            std::fprintf(stderr, "quillbarrow %s: failed while running %s (%s)\n", command->get_name().c_str(),
                         command_subject(*command).c_str(), e.what());
            return 1;
        }
    }
    return 2;
}

}  // namespace quillbarrow

int main(int argc, char** argv) { return quillbarrow::run_tool(argc, argv); }
