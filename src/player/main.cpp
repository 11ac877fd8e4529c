#include "platform/process_setup.h"
#include "player/diagnostics.h"
#include "player/player.h"

int main(int, char**) {
    quillbarrow::set_up_process();
    // The player prints what the runtime reports, each message on its own
    // stream, and a fatal error leaves a crash file and ends the run.
    quillbarrow::set_diagnostic_handler(quillbarrow::print_diagnostic);
    quillbarrow::set_fatal_error_handler(quillbarrow::write_crash_file_and_exit);
    return quillbarrow::run_player();
}
