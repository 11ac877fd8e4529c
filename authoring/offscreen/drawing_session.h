#pragma once

#include <memory>
#include <string>

#include "document/demo.h"

namespace quillbarrow {

// A production loaded into a hidden window of the given size, ready to draw
// as the player draws it: compiled with its includes, warmed up, and the
// current document for as long as it lives.
class DrawingSession {
public:
    DrawingSession(const std::string& input, int width, int height);
    ~DrawingSession();
    DrawingSession(const DrawingSession&) = delete;
    DrawingSession& operator=(const DrawingSession&) = delete;

    Demo& demo() { return *demo_; }

private:
    std::unique_ptr<Demo> demo_;
};

// Compiles every program with its includes in place, the raw GL logs kept
// quiet. A program that does not build stops the command: the error names
// each file and line the compilers complained about.
void compile_shaders_or_fail(Demo& demo);

}  // namespace quillbarrow
