#include "player/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <GL/glew.h>

#include "document/resource_reader.h"

namespace quillbarrow {

namespace {

FatalErrorHandler& fatal_handler() {
    static FatalErrorHandler handler;
    return handler;
}

DiagnosticHandler& diagnostic_handler() {
    static DiagnosticHandler handler = print_diagnostic;
    return handler;
}

}  // namespace

void report(DiagnosticKind kind, std::string text, bool routine) {
    diagnostic_handler()(Diagnostic{kind, std::move(text), routine});
}

std::string format_message(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.pop_back();
    }
    va_end(args);
    return text;
}

void print_diagnostic(const Diagnostic& diagnostic) {
    std::FILE* stream = diagnostic.kind == DiagnosticKind::Warning ? stderr : stdout;
    std::fwrite(diagnostic.text.data(), 1, diagnostic.text.size(), stream);
    std::fputc('\n', stream);
}

DiagnosticHandler set_diagnostic_handler(DiagnosticHandler handler) {
    if (!handler) handler = print_diagnostic;
    return std::exchange(diagnostic_handler(), std::move(handler));
}

DiagnosticHandler current_diagnostic_handler() { return diagnostic_handler(); }

DiagnosticScope DiagnosticScope::dropping(DiagnosticKind dropped) {
    return DiagnosticScope([dropped, next = current_diagnostic_handler()](const Diagnostic& diagnostic) {
        if (diagnostic.kind != dropped) next(diagnostic);
    });
}

void set_fatal_error_handler(FatalErrorHandler handler) { fatal_handler() = std::move(handler); }

void fatal_error(const std::string& message) {
    if (fatal_handler()) fatal_handler()(message);
    write_crash_file_and_exit(message);
}

void write_crash_file_and_exit(const std::string& message) {
    std::FILE* crash = std::fopen("crash.txt", "w");
    if (crash) {
        std::fprintf(crash, "Fatal error: %s\n", message.c_str());
        std::fputs("Exiting.", crash);
        std::fclose(crash);
    } else {
        std::fputs("Error opening file!\n", stdout);
    }
    std::exit(1);
}

std::unique_ptr<char[]> load_whole_file(const std::string& path, int* length_out) {
    ResourceFile file = read_resource_file(path);
    if (!file.ok()) {
        if (file.fault == ResourceFault::Missing)
            report_notice(format_message("File %s not found! Returning empty string, with possibly bad outcomes...",
                                         path.c_str()));
        else
            report_notice(format_message("%s; reading it as empty.", file.message.c_str()));
        auto empty = std::make_unique<char[]>(1);
        empty[0] = 0;
        if (length_out) *length_out = 0;
        return empty;
    }
    // The size limit keeps the length within the 32-bit int callers take.
    static_assert(kMaxResourceFileBytes < 0x7FFFFFFF);
    auto block = std::make_unique<char[]>(static_cast<std::size_t>(file.size) + 1);
    if (file.size) std::memcpy(block.get(), file.bytes.get(), static_cast<std::size_t>(file.size));
    if (length_out) *length_out = static_cast<int>(file.size);
    return block;
}

void save_whole_file(const std::string& path, const void* bytes, std::size_t length) {
    // Exported projects keep resources in folders ("shaders/a.frag").
    std::error_code ignored;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        report_notice(format_message("Cannot write %s", path.c_str()));
        return;
    }
    if (length) std::fwrite(bytes, 1, length, file);
    std::fclose(file);
}

void check_gl_errors(const char* label) {
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError())
        report_notice(format_message("ERROR! %s: %x", label, code));
}

}  // namespace quillbarrow
