#include "player/frame_step.h"

#include <GL/glew.h>

#include "document/demo.h"
#include "player/player_state.h"
#include "timeline/frame_evaluation.h"

namespace quillbarrow {

void begin_frame() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

void step_frame(Demo& demo, float beat) {
    current_beat = beat;
    glViewport(0, 0, display_size.viewport_width, display_size.viewport_height);
    demo.evaluate_frame(beat);
}

void step_standalone_frame(Demo& demo, float beat) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0, 0, 0, 1);
    pose_scenes(demo.events, beat);
    begin_frame();
    step_frame(demo, beat);
}

}  // namespace quillbarrow
