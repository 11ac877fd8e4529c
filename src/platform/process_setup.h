#pragma once

namespace quillbarrow {

// Called first by both entry points: prepares what the platform needs before
// SDL starts. On Windows that is a console for standard output and error when
// the process was started from one (the player is a GUI executable), and
// telling SDL that main() is ours, without its SDL_main wrapper. Elsewhere it
// does nothing.
void set_up_process();

}  // namespace quillbarrow
