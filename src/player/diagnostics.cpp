#include "player/diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <GL/glew.h>

namespace {

FatalErrorHandler& fatal_handler() {
    static FatalErrorHandler handler;
    return handler;
}

} // namespace

void set_fatal_error_handler(FatalErrorHandler handler) { fatal_handler() = std::move(handler); }

void fatal_error(const std::string& message) {
    if (fatal_handler()) fatal_handler()(message);
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
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::printf("File %s not found! Returning empty string, with possibly bad outcomes...\n", path.c_str());
        auto empty = std::make_unique<char[]>(1);
        empty[0] = 0;
        if (length_out) *length_out = 0;
        return empty;
    }
    std::fseek(file, 0, SEEK_END);
    long end = std::ftell(file);
    std::rewind(file);
    int length = end > 0 ? static_cast<int>(end) : 0;
    auto block = std::make_unique<char[]>(static_cast<std::size_t>(length) + 1);
    std::size_t got = std::fread(block.get(), 1, static_cast<std::size_t>(length), file);
    std::fclose(file);
    if (length_out) *length_out = static_cast<int>(got);
    return block;
}

void save_whole_file(const std::string& path, const void* bytes, std::size_t length) {
    // Exported projects keep resources in folders ("shaders/a.frag").
    std::error_code ignored;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::printf("Cannot write %s\n", path.c_str());
        return;
    }
    if (length) std::fwrite(bytes, 1, length, file);
    std::fclose(file);
}

void check_gl_errors(const char* label) {
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError())
        std::printf("ERROR! %s: %x\n", label, code);
}
