#pragma once

#include <string>
#include <string_view>

namespace quillbarrow {

// The web build's GL is OpenGL ES 3.0 (WebGL2): shaders written for desktop
// GL 3.x are rewritten to GLSL ES 3.00 before they compile: a header of
// "#version 300 es" and default precisions comes first, the author's
// version line and desktop-only #extension lines are commented out, and a
// #line directive keeps every line's number (and so the compiler's
// file:line) what the author wrote.
// What a rewrite cannot fix (implicit int-to-float conversions, for one) is
// left to the compiler to report.
std::string glsl_es_from_desktop(std::string_view source);

// glShaderSource with the text as this build's GL reads it: unchanged for
// desktop GL, through glsl_es_from_desktop in the web build.
void shader_source(unsigned int shader, const std::string& source);

}  // namespace quillbarrow
