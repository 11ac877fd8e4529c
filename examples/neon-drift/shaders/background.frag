#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
#define iChannel0 tex
#define iChannel1 tex1
#define iChannel2 tex2
#define iChannel3 tex3
uniform int sound;
uniform float beat;
uniform sampler2D tex;
uniform vec2 resolution;
vec2 iMouse = vec2(0., 0.);
out vec4 fragColor;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    // Normalized pixel coordinates (from 0 to 1)
    vec2 uv = fragCoord/iResolution.xy;

    // Time varying pixel color
    vec3 col = 0.5 + 0.5*cos(iTime+uv.xyx+vec3(0,2,4));

    // Output to screen
    fragColor = vec4(col,1.0);
}
