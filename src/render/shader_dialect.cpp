#include "render/shader_dialect.h"

namespace quillbarrow {

const std::string fragment_prelude = "#version 150\n"
                                     "#define mainImage(X,Y) main()\n"
                                     "#define iResolution resolution\n"
                                     "#define iTime beat\n"
                                     "#define fragCoord (gl_FragCoord.xy)\n"
                                     "#define iChannel0 tex\n"
                                     "#define iChannel1 tex1\n"
                                     "#define iChannel2 tex2\n"
                                     "#define iChannel3 tex3\n"
                                     "uniform int sound;\n"
                                     "uniform float beat;\n"
                                     "uniform sampler2D tex;\n"
                                     "uniform vec2 resolution;\n"
                                     "vec2 iMouse = vec2(0., 0.);\n"
                                     "out vec4 fragColor;\n"
                                     "\n";

const std::string default_fragment_body = "void mainImage(out vec4 fragColor, in vec2 fragCoord)\n"
                                          "{\n"
                                          "    // Normalized pixel coordinates (from 0 to 1)\n"
                                          "    vec2 uv = fragCoord/iResolution.xy;\n"
                                          "\n"
                                          "    // Time varying pixel color\n"
                                          "    vec3 col = 0.5 + 0.5*cos(iTime+uv.xyx+vec3(0,2,4));\n"
                                          "\n"
                                          "    // Output to screen\n"
                                          "    fragColor = vec4(col,1.0);\n"
                                          "}\n";

const std::string default_vertex_source = "#version 150\n"
                                          "\n"
                                          "in vec3 vp;\n"
                                          "\n"
                                          "void main() {\n"
                                          "gl_Position = vec4(vp, 1.0);\n"
                                          "}\n";

}  // namespace quillbarrow
