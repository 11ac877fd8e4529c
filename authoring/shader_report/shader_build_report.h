#pragma once

#include <string>
#include <vector>

#include "render/shader_includes.h"
#include "render/shader_program.h"

namespace quillbarrow {

// One line of a GL info log: Mesa "0:12(5): error: ...", NVIDIA
// "0(12) : error C0000: ..." and "ERROR: 0:12: ..." of other drivers.
struct LogLine {
    int line = 0;  // 0 when the log line names none
    bool is_error = false;
    std::string message;
};
std::vector<LogLine> parse_info_log(const std::string& log);

// An error of a compile log at the file and line of the expanded source
// that hold it (origin.line 0: the log placed it nowhere).
struct ShaderError {
    LineOrigin origin;
    std::string message;
};

// The errors of one stage's compile log, placed through the expansion that
// was compiled. A stage that failed without an error line gives one
// unplaced error with the whole log. It is the one mapping from a
// compiler's line numbers back to files (build_errors below).
std::vector<ShaderError> placed_errors(const std::string& log, bool compiled, const ExpandedSource& source);

// The GL objects one program was built into, by the player's own
// ShaderProgram or by compile_and_report.
struct ProgramBuild {
    unsigned int vertex_shader = 0;
    unsigned int fragment_shader = 0;
    unsigned int program = 0;   // 0: not linked because a stage failed
    std::string include_error;  // the expansion was refused; the fragment compiled as empty text
};

// One reason a program did not build. A placed error's origin names the
// file of the program list that holds the line (kExpandedFile: the stage's
// own text) and message is the compiler's own; an unplaced one (line 0)
// says what failed: "vertex shader: ...", "shaders do not link: ..." or,
// for Stage::Includes, why the includes were not expanded.
struct ShaderBuildError {
    enum class Stage { Includes, Vertex, Fragment, Link };
    Stage stage = Stage::Fragment;
    LineOrigin origin;
    std::string message;
};

// Every error of one program's build, read from its GL objects' logs and
// placed through the texts they compiled; empty when it built. This is the
// one mapping from a compiler's line numbers back to files: check, preview,
// pack, render and video all report through it.
std::vector<ShaderBuildError> build_errors(const ProgramBuild& build, const ExpandedSource& vertex,
                                           const ExpandedSource& fragment);

// Compiles and links one program from its texts (the fragment's includes
// already in place) in the current GL context, as the player builds it, and
// returns its errors; the GL objects are deleted before it returns.
std::vector<ShaderBuildError> compile_and_report(const ExpandedSource& vertex, const ExpandedSource& fragment);

// False when the program's stages did not compile or it did not link.
bool program_built(const ShaderProgram& program);

// For every program of the list that did not build, one line per error in
// the compilers' own form, "FILE:LINE: error: message (fragment shader of
// PROGRAM)", an error inside an include naming the included file and its
// line. Empty when all built.
std::string failed_build_report(const ShaderProgram::ProgramList& programs);

}  // namespace quillbarrow
