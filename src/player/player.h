#pragma once

namespace quillbarrow {

// The player's main routine: plays the production appended to its own
// executable and returns the process exit status.
int run_player();

}  // namespace quillbarrow
