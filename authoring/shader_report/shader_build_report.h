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
// unplaced error with the whole log. This is the one mapping from a
// compiler's line numbers back to files: check, preview, pack and render
// all report through it.
std::vector<ShaderError> placed_errors(const std::string& log, bool compiled, const ExpandedSource& source);

// False when the program's stages did not compile or it did not link.
bool program_built(const ShaderProgram& program);

// For every program of the list that did not build, one line per error in
// the compilers' own form, "FILE:LINE: error: message (fragment shader of
// PROGRAM)", an error inside an include naming the included file and its
// line. Empty when all built.
std::string failed_build_report(const ShaderProgram::ProgramList& programs);

}  // namespace quillbarrow
