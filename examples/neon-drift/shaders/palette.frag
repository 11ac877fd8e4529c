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

// Shared colours, pulled into other effects with #include "shaders/palette.frag".
vec3 palette(float t)
{
    return 0.5 + 0.5 * cos(6.28318 * (t + vec3(0.0, 0.33, 0.67)));
}

// Drawn on its own, this program shows a swatch of the palette. An effect
// that includes it puts the directive below a few comment lines, which moves
// the line number checked here, so only the includer's mainImage remains.
#if __LINE__ == 26
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    fragColor = vec4(palette(fragCoord.x / iResolution.x), 1.0);
}
#endif
