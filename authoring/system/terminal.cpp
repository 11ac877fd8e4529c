#include "system/terminal.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace quillbarrow {

#ifdef _WIN32
bool is_terminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }
#else
bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }
#endif

}  // namespace quillbarrow
