// Desktop GL calls the runtime makes that OpenGL ES 3.0 (WebGL2) lacks,
// given in the web build in terms of what it has, so the runtime keeps one
// GL code path. Nothing here for desktop GL.

#ifdef __EMSCRIPTEN__

#include <GL/glew.h>

// One draw buffer: ES 3.0 has only the list form (GL_BACK or GL_NONE for the
// window, GL_COLOR_ATTACHMENT0 or GL_NONE for a framebuffer's first).
extern "C" void glDrawBuffer(GLenum buffer) { glDrawBuffers(1, &buffer); }

#endif
