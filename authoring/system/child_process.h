#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace quillbarrow {

// A program started with its standard input fed from us through a pipe;
// its standard output and error go where ours go.
class ChildWithInput {
public:
    // argv[0] is looked up on PATH. Empty, with the reason, when it cannot
    // be started.
    static std::unique_ptr<ChildWithInput> start(const std::vector<std::string>& argv, std::string* error);
    virtual ~ChildWithInput() = default;

    // False once the child has stopped reading (it exited or failed).
    virtual bool write(const void* bytes, std::size_t length) = 0;
    // Closes the pipe and waits: the child's exit status, -1 if it did not
    // exit normally.
    virtual int finish() = 0;
};

// Runs a program to its end with our standard streams: its exit status, or
// -1 when it could not be started or did not exit normally.
int run_program(const std::vector<std::string>& argv);

// Runs a program to its end and keeps the first max_bytes of what it
// writes to its standard output and error in *output (the rest is read and
// dropped, so a chatty child never blocks): its exit status, or -1 when it
// could not be started or did not exit normally.
int run_program_reading_output(const std::vector<std::string>& argv, std::size_t max_bytes, std::string* output);

// The full path of an executable found on PATH, or empty.
std::string find_on_path(const std::string& program);

}  // namespace quillbarrow
