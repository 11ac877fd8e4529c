#ifndef _WIN32
#include "platform/process_setup.h"

namespace quillbarrow {

void set_up_process() {}

}  // namespace quillbarrow
#endif
