#pragma once

#include <cstdio>

namespace quillbarrow {

// True when the stream is a terminal a person watches, not a file or pipe.
bool is_terminal(std::FILE* stream);

}  // namespace quillbarrow
