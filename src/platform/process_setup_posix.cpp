#ifndef _WIN32
#include "platform/process_setup.h"

void set_up_process() {}
#endif
