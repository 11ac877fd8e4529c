#pragma once

#include <functional>
#include <memory>
#include <string>

namespace quillbarrow {

// Ends the process: writes "crash.txt" ("Fatal error: <message>\nExiting.")
// and exits with status 1. Tools that must not leave a crash file install
// their own handler, which must not return either.
[[noreturn]] void fatal_error(const std::string& message);
using FatalErrorHandler = std::function<void(const std::string&)>;
void set_fatal_error_handler(FatalErrorHandler handler);

// The whole file, with one spare byte; a missing file prints a notice and
// gives an empty block (length 0).
std::unique_ptr<char[]> load_whole_file(const std::string& path, int* length_out);
void save_whole_file(const std::string& path, const void* bytes, std::size_t length);

// Prints every pending GL error as "ERROR! <label>: <code in hex>".
void check_gl_errors(const char* label);

}  // namespace quillbarrow
