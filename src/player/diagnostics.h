#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace quillbarrow {

// The one way out for the runtime's errors and messages. Runtime code
// reports here (or returns or throws to a caller that can act); only a
// front end (the player's main, a tool command) decides what is printed,
// collected or dropped, and whether the process ends.

// What a message is. Printed as the player prints it, notices and shader
// logs go to standard output and warnings to standard error, each followed
// by a line end.
enum class DiagnosticKind {
    Notice,     // what loading and drawing met: assets, files, framebuffers, GL errors
    ShaderLog,  // a compile or link log; kept apart so a front end can drop these alone
    Warning,    // model data skipped or not supported, and the model's counts
};

struct Diagnostic {
    DiagnosticKind kind;
    std::string text;  // the exact message, without its final line end
    // What loading did, as the player tells it (files read, the GL version,
    // skeleton and animation names, vertex array counts) rather than
    // anything that went wrong: the tools print these only when asked.
    bool routine = false;
};

using DiagnosticHandler = std::function<void(const Diagnostic&)>;

void report(DiagnosticKind kind, std::string text, bool routine = false);
inline void report_notice(std::string text) { report(DiagnosticKind::Notice, std::move(text)); }
inline void report_shader_log(std::string text) { report(DiagnosticKind::ShaderLog, std::move(text)); }
inline void report_warning(std::string text) { report(DiagnosticKind::Warning, std::move(text)); }
inline void report_routine_notice(std::string text) { report(DiagnosticKind::Notice, std::move(text), true); }
inline void report_routine_warning(std::string text) { report(DiagnosticKind::Warning, std::move(text), true); }

// printf-style formatting of a message's text (the compiler checks the
// arguments against the format).
#if defined(__MINGW32__)
#define QB_PRINTF_LIKE __attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
#define QB_PRINTF_LIKE __attribute__((format(printf, 1, 2)))
#else
#define QB_PRINTF_LIKE
#endif
QB_PRINTF_LIKE std::string format_message(const char* format, ...);

// The player's handling, and what reports get until a front end installs
// another: prints each message on its stream.
void print_diagnostic(const Diagnostic& diagnostic);

// Installs where reports go (main thread only) and returns the handler it
// replaces; an empty handler puts print_diagnostic back.
DiagnosticHandler set_diagnostic_handler(DiagnosticHandler handler);
DiagnosticHandler current_diagnostic_handler();

// Installs a handler for as long as it lives, then puts the previous one back.
class DiagnosticScope {
public:
    explicit DiagnosticScope(DiagnosticHandler handler) : previous_(set_diagnostic_handler(std::move(handler))) {}
    ~DiagnosticScope() { set_diagnostic_handler(std::move(previous_)); }
    DiagnosticScope(const DiagnosticScope&) = delete;
    DiagnosticScope& operator=(const DiagnosticScope&) = delete;

    // Drops one kind; every other message goes on to the handler installed before.
    static DiagnosticScope dropping(DiagnosticKind dropped);

private:
    DiagnosticHandler previous_;
};

// Ends the process through the installed handler, which must not return
// (tools throw instead). Without one, or if it returns, the player's
// handling runs: write_crash_file_and_exit.
[[noreturn]] void fatal_error(const std::string& message);
using FatalErrorHandler = std::function<void(const std::string&)>;
void set_fatal_error_handler(FatalErrorHandler handler);
// Writes "crash.txt" ("Fatal error: <message>\nExiting.") and exits with
// status 1.
[[noreturn]] void write_crash_file_and_exit(const std::string& message);

// The whole file, with one spare byte; a missing file reports a notice and
// gives an empty block (length 0).
std::unique_ptr<char[]> load_whole_file(const std::string& path, int* length_out);
void save_whole_file(const std::string& path, const void* bytes, std::size_t length);

// Reports every pending GL error as the notice "ERROR! <label>: <code in hex>".
void check_gl_errors(const char* label);

}  // namespace quillbarrow
