#pragma once

namespace quillbarrow {

class Demo;

// One frame of the production at a beat, drawn into the window's back
// buffer. Every front end draws through here: the player's own loop, and
// the tools that render frames off-screen, to video or in the preview, so
// they show exactly what the player shows.

// Clears the window target. The player's loop clears first, before it
// reads the clock and the events of the frame.
void begin_frame();

// The player's frame once cleared: the beat becomes the process's current
// beat (what the text placeholders and the "beat" uniform show), the
// viewport takes the window's size and the document draws the frame.
void step_frame(Demo& demo, float beat);

// A frame drawn without the frame before it: scenes are posed at the beat
// first (a shadow pass draws with the previous frame's pose, and there is
// none), and the window's framebuffer is cleared to opaque black before
// the player's frame.
void step_standalone_frame(Demo& demo, float beat);

}  // namespace quillbarrow
