#pragma once

#include <string>
#include <vector>

// One subcommand of the quillbarrow tool. run gets the arguments after the
// subcommand's name and returns the exit status; errors it throws are
// printed to standard error with status 1.
struct Command {
    const char* name;
    const char* summary;
    const char* usage;  // full help text, shown by --help
    int (*run)(const std::vector<std::string>& args);
};

const std::vector<Command>& commands();

int run_pack(const std::vector<std::string>& args);
int run_unpack(const std::vector<std::string>& args);
int run_info(const std::vector<std::string>& args);
int run_render(const std::vector<std::string>& args);

// A command-line mistake: printed with the command's usage, status 2.
struct UsageError {
    std::string message;
};

// The value after an option such as "-o", or a UsageError.
std::string option_value(const std::vector<std::string>& args, std::size_t& i);
