#pragma once

#include <string>
#include <vector>

#include "render/shader_program.h"

// Where a line of a program's expanded fragment source was written.
struct SourceLine {
    std::string file;
    int line = 0;
};

// The origin of every line (index 0 is line 1) of the program's fragment
// source after its includes are expanded against the list, the same way
// compile_shaders expands them.
std::vector<SourceLine> expanded_line_origins(const ShaderProgram& program,
                                              const ShaderProgram::ProgramList& programs);

// A GL info log with its "0:LINE(COL)", "0(LINE)" and "0:LINE:" source
// references replaced by "FILE:LINE(COL)" or "FILE:LINE", so an error
// inside an include names the included file. Lines it cannot place stay.
std::string map_log_to_files(const std::string& log, const std::vector<SourceLine>& origins);

// False when the program's stages did not compile or it did not link.
bool program_built(const ShaderProgram& program);

// For every program of the list that did not build: its file names and its
// compile and link logs, mapped to the files they point at. Empty when all
// built.
std::string failed_build_report(const ShaderProgram::ProgramList& programs);
