#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
uniform float beat;
uniform vec2 resolution;
out vec4 fragColor;

// Concentric rings turning with the beat; the first link of the
// glow chain, drawn into its own framebuffer.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    float a = atan(p.y, p.x) + iTime * 0.2;
    float r = length(p);
    float rings = smoothstep(0.35, 0.5, abs(sin(r * 24.0 - iTime * 3.0 + sin(a * 3.0))));
    fragColor = vec4(vec3(1.0 - rings) * smoothstep(0.9, 0.1, r), 1.0);
}
